#include "cli/TerminalQuestion.h"

#include <unistd.h>

#include <iostream>

#include "settings/ProfileText.h"

namespace pelvane::cli {

std::string ForTerminal(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::optional<std::string> ReadTerminalLine(const std::string& prompt) {
  if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDERR_FILENO) == 0) return std::nullopt;
  std::cerr << prompt << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  return line;
}

std::optional<engine::Answer> AskChoice(const LineReader& read, const std::string& question,
                                        bool offerCancel) {
  if (!read) return std::nullopt;
  const std::string prompt = question + (offerCancel ? " [y/n/c] " : " [y/n] ");
  for (;;) {
    std::optional<std::string> line = read(prompt);
    if (!line) return std::nullopt;
    std::string answer = settings::AsciiLower(settings::TrimBlanks(*line));
    if (answer == "y" || answer == "yes") return engine::Answer::kYes;
    if (answer == "n" || answer == "no") return engine::Answer::kNo;
    if (offerCancel && (answer == "c" || answer == "cancel")) return engine::Answer::kCancel;
  }
}

}  // namespace pelvane::cli
