// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/ports/LogWindow.h"
#include "engine/ports/RunHost.h"
#include "uikit/Prompter.h"
#include "uikit/RunWorker.h"

namespace pelvane::shell {

/// The log text a run writes from its worker, held until the window takes it. The window takes
/// it in batches, so thousands of lines cost one text change each time, not one per line.
class LogBatch : public engine::LogWindow {
 public:
  struct Taken {
    bool replace = false;  // the window's text is to be replaced, not appended to
    std::string text;
  };

  void AppendText(const std::string& text) override;
  void SetText(const std::string& text) override;
  /// What the window will show once everything is taken; the log keeps its own copy, so this
  /// is only for completeness.
  std::string Text() const override;

  /// Everything written since the last call. Window thread.
  Taken Take();
  /// Sets what the window shows now (the dialog empties it before a run).
  void Reset(const std::string& shown);

 private:
  mutable std::mutex mutex_;
  Taken pending_;
  std::string shown_;  // the window's text as of the last Take
};

/// What the run changes in the Vesk SQL dialog, called on the window thread.
struct RunWindowActions {
  std::function<void()> flushLog;                      // take the pending log text into the window
  std::function<void(int)> showServer;                 // highlight a Process Servers entry, 0 none
  std::function<void(const std::string&)> setCaption;  // the run button's caption
  std::function<void()> clearAddTimeStamp;             // the Append Text window's box
  std::function<void(const std::vector<int>&)> showServers;  // mark entries, empty none
};

/// The run's user in the desktop program. The run calls it on its worker thread; every box and
/// question is handed to the window thread through the RunWorker and the worker waits for the
/// answer. Log text goes into a LogBatch that the window takes on a timer.
///
/// When the window goes away or is closing, questions get their safe answer (No, Cancel,
/// nothing typed) without being shown, so the worker never waits on a window that is gone.
class GuiRunHost : public engine::RunHost {
 public:
  GuiRunHost(RunWorker& worker, Prompter& prompter, RunWindowActions actions);

  void ShowMessage(const std::string& text, const std::string& caption,
                   engine::MessageIcon icon) override;
  engine::Answer AskYesNo(const std::string& text, const std::string& caption) override;
  engine::Answer AskYesNoCancel(const std::string& text, const std::string& caption) override;
  std::optional<std::string> AskText(const std::string& prompt, const std::string& caption,
                                     const std::string& defaultText) override;
  engine::LogWindow& LogWindow() override { return batch_; }
  void ShowServerInProgress(int position) override;
  void ShowServersInProgress(const std::vector<int>& positions) override;
  void SetRunButtonCaption(const std::string& caption) override;
  void ClearAddTimeStamp() override;

  LogBatch& batch() { return batch_; }
  /// From now on questions are not shown (the window is closing). Any thread.
  void SetClosing(bool closing);

 private:
  engine::Answer Ask(const Prompt& prompt, engine::Answer safe);

  RunWorker& worker_;
  Prompter& prompter_;
  RunWindowActions actions_;
  LogBatch batch_;
};

}  // namespace pelvane::shell
