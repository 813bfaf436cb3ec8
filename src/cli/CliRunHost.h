// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/TerminalQuestion.h"
#include "engine/ports/RunHost.h"

namespace pelvane::cli {

/// A run's user on the command line: log lines on standard output as the log window shows them,
/// message boxes on standard error with their caption, questions asked on the terminal. Without
/// a terminal a question takes the --answer given, or else the safe answer (No, Cancel, empty).
class CliRunHost : public engine::RunHost {
 public:
  CliRunHost(std::ostream& out, std::ostream& err, LineReader readLine,
             std::optional<engine::Answer> scriptedAnswer);

  void ShowMessage(const std::string& text, const std::string& caption,
                   engine::MessageIcon icon) override;
  engine::Answer AskYesNo(const std::string& text, const std::string& caption) override;
  engine::Answer AskYesNoCancel(const std::string& text, const std::string& caption) override;
  std::optional<std::string> AskText(const std::string& prompt, const std::string& caption,
                                     const std::string& defaultText) override;
  engine::LogWindow& LogWindow() override { return window_; }
  void ShowServerInProgress(int) override {}
  // The command line has no run button and no "Add Time Stamp" box.
  void SetRunButtonCaption(const std::string&) override {}
  void ClearAddTimeStamp() override {}

  /// How many message boxes the run has shown; in a run that went through, each tells of an
  /// error.
  int messagesShown() const { return messagesShown_; }

 private:
  engine::Answer Ask(const std::string& text, const std::string& caption, bool offerCancel);

  std::ostream& err_;
  LineReader readLine_;
  std::optional<engine::Answer> scriptedAnswer_;
  engine::TextLogWindow window_;
  int messagesShown_ = 0;
};

}  // namespace pelvane::cli
