// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ports/LogWindow.h"

namespace pelvane::engine {

/// The caption of every message box unless a step names another.
constexpr char kProgramTitle[] = "The Pelvane Tool";

enum class MessageIcon { kNone, kCritical };
enum class Answer { kYes, kNo, kCancel };

/// The run's user: the Vesk SQL dialog in the desktop program, the terminal in pelvanectl.
/// A run calls it from its own thread; the desktop program hands each call to its window thread
/// and waits for the answer.
class RunHost {
 public:
  virtual ~RunHost() = default;

  /// A message box with an OK button; `caption` is the program title unless a step names another.
  virtual void ShowMessage(const std::string& text, const std::string& caption,
                           MessageIcon icon) = 0;
  /// A question with Yes and No buttons (kYes or kNo).
  virtual Answer AskYesNo(const std::string& text, const std::string& caption) = 0;
  /// A question with Yes, No and Cancel buttons.
  virtual Answer AskYesNoCancel(const std::string& text, const std::string& caption) = 0;
  /// An input box; nullopt when cancelled.
  virtual std::optional<std::string> AskText(const std::string& prompt, const std::string& caption,
                                             const std::string& defaultText) = 0;

  /// The log window the run writes into (through MessageLog, or directly where a step says so).
  virtual engine::LogWindow& LogWindow() = 0;

  /// Highlights the server at this 1-based position of the Process Servers list; 0 clears it.
  virtual void ShowServerInProgress(int position) = 0;
  /// Marks every server at these 1-based positions as in progress, in list order, when servers
  /// are processed side by side; empty clears the marks. A host that can mark only one shows the
  /// first.
  virtual void ShowServersInProgress(const std::vector<int>& positions) {
    ShowServerInProgress(positions.empty() ? 0 : positions.front());
  }
  /// The caption of the run button: "Vesk SQL" or "Continue ...".
  virtual void SetRunButtonCaption(const std::string& caption) = 0;
  /// Clears the Append Text window's "Add TimeStamp Automatically?" box for the rest of the
  /// program's life (the No answer of the keyword question).
  virtual void ClearAddTimeStamp() = 0;
};

}  // namespace pelvane::engine
