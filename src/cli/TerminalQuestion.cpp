// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalQuestion.h"

#include <unistd.h>

#include <iostream>

#include "settings/ProfileText.h"

namespace pelvane::cli {

std::string ForTerminal(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == '\r' && next == '\n') continue;
    if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      // A C1 control (U+0080 to U+009F) in UTF-8: some terminals act on these too.
      out += '?';
      ++i;
    } else if (c == '\t' || c == '\n' || (c >= 0x20 && c != 0x7F)) {
      out += static_cast<char>(c);
    } else {
      // Server text must not drive the terminal: every other control shows as ^X.
      out += '^';
      out += static_cast<char>(c == 0x7F ? '?' : c + 0x40);
    }
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
