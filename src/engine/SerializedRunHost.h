// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/QuestionTurn.h"
#include "engine/ports/RunHost.h"

namespace pelvane::engine {

/// The run's user as servers processed side by side share it. Message boxes and questions reach
/// the user one at a time: a second server's question waits until the first is answered, while
/// servers that ask nothing go on working. Everything else (the log window, the server marks,
/// the button caption) is serialized apart, so it never waits for an answer.
class SerializedRunHost : public RunHost {
 public:
  explicit SerializedRunHost(RunHost& host) : host_(host), window_(host, displayMutex_) {}

  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
  Answer AskYesNo(const std::string& text, const std::string& caption) override;
  Answer AskYesNoCancel(const std::string& text, const std::string& caption) override;
  std::optional<std::string> AskText(const std::string& prompt, const std::string& caption,
                                     const std::string& defaultText) override;

  engine::LogWindow& LogWindow() override { return window_; }
  void ShowServerInProgress(int position) override;
  void ShowServersInProgress(const std::vector<int>& positions) override;
  void SetRunButtonCaption(const std::string& caption) override;
  void ClearAddTimeStamp() override;

  /// The server at this 1-based position is being processed, or is no longer: the host is shown
  /// every server in progress, in list order, each time the set changes.
  void ServerStarted(int position);
  void ServerFinished(int position);

 private:
  /// The host's log window behind the display lock.
  class LockedWindow : public engine::LogWindow {
   public:
    LockedWindow(RunHost& host, std::mutex& mutex) : host_(host), mutex_(mutex) {}
    void AppendText(const std::string& text) override;
    void SetText(const std::string& text) override;
    std::string Text() const override;

   private:
    RunHost& host_;
    std::mutex& mutex_;
  };

  RunHost& host_;
  QuestionTurn questions_;
  std::mutex displayMutex_;
  LockedWindow window_;
  std::mutex progressMutex_;  // taken before displayMutex_, so the marks reach the host in order
  std::set<int> inProgress_;
};

}  // namespace pelvane::engine
