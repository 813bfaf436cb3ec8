// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliRunHost.h"

#include <ostream>

namespace pelvane::cli {

namespace {

const char* AnswerWord(engine::Answer answer) {
  switch (answer) {
    case engine::Answer::kYes:
      return "Yes";
    case engine::Answer::kNo:
      return "No";
    case engine::Answer::kCancel:
      break;
  }
  return "Cancel";
}

}  // namespace

CliRunHost::CliRunHost(std::ostream& out, std::ostream& err, LineReader readLine,
                       std::optional<engine::Answer> scriptedAnswer)
    : err_(err),
      readLine_(std::move(readLine)),
      scriptedAnswer_(scriptedAnswer),
      window_([&out](const std::string& shown) { out << ForTerminal(shown) << std::flush; }) {}

void CliRunHost::ShowMessage(const std::string& text, const std::string& caption,
                             engine::MessageIcon) {
  ++messagesShown_;
  err_ << "[" << caption << "] " << ForTerminal(text) << '\n';
}

engine::Answer CliRunHost::Ask(const std::string& text, const std::string& caption,
                               bool offerCancel) {
  std::string question = "[" + caption + "] " + ForTerminal(text);
  if (std::optional<engine::Answer> typed = AskChoice(readLine_, question, offerCancel))
    return *typed;
  engine::Answer answer =
      scriptedAnswer_.value_or(offerCancel ? engine::Answer::kCancel : engine::Answer::kNo);
  if (!offerCancel && answer == engine::Answer::kCancel) answer = engine::Answer::kNo;
  err_ << question << '\n'
       << "-> " << AnswerWord(answer)
       << (scriptedAnswer_ ? " (--answer)" : " (no terminal, no --answer)") << '\n';
  return answer;
}

engine::Answer CliRunHost::AskYesNo(const std::string& text, const std::string& caption) {
  return Ask(text, caption, false);
}

engine::Answer CliRunHost::AskYesNoCancel(const std::string& text, const std::string& caption) {
  return Ask(text, caption, true);
}

std::optional<std::string> CliRunHost::AskText(const std::string& prompt,
                                               const std::string& caption,
                                               const std::string& /*defaultText*/) {
  std::string question = "[" + caption + "] " + prompt;
  if (readLine_) {
    if (std::optional<std::string> typed = readLine_(question + " ")) return *typed;
  }
  // Without a terminal an input box is cancelled: the safe, empty answer.
  err_ << question << '\n' << "-> Cancel (no terminal)" << '\n';
  return std::nullopt;
}

}  // namespace pelvane::cli
