// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FirstServerError.h"

#include <cctype>

namespace pelvane::engine {

namespace {

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

/// The position of word in text at or after from, compared without regard to case.
size_t FindNoCase(const std::string& text, const std::string& word, size_t from) {
  for (size_t i = from; i + word.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < word.size() && Lower(text[i + k]) == Lower(word[k])) ++k;
    if (k == word.size()) return i;
  }
  return std::string::npos;
}

/// Reads an optionally signed decimal number at text[at], moving at past it.
std::optional<long> ReadNumber(const std::string& text, size_t& at) {
  const size_t start = at;
  if (at < text.size() && text[at] == '-') ++at;
  long value = 0;
  size_t digits = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 10) {
    value = value * 10 + (text[at++] - '0');
    ++digits;
  }
  if (digits == 0) {
    at = start;
    return std::nullopt;
  }
  return text[start] == '-' ? -value : value;
}

}  // namespace

std::optional<ServerErrorMessage> FirstServerError(const std::string& output) {
  for (size_t head = FindNoCase(output, "Server: Msg ", 0); head != std::string::npos;
       head = FindNoCase(output, "Server: Msg ", head + 1)) {
    size_t at = head + 12;
    const std::optional<long> number = ReadNumber(output, at);
    if (!number || FindNoCase(output, ", Level ", at) != at) continue;
    at += 8;
    const std::optional<long> severity = ReadNumber(output, at);
    if (!severity) continue;

    ServerErrorMessage message;
    message.number = *number;
    message.severity = static_cast<int>(*severity);
    const size_t lineEnd = output.find('\n', at);
    if (lineEnd != std::string::npos) {
      size_t textEnd = output.find('\n', lineEnd + 1);
      if (textEnd == std::string::npos) textEnd = output.size();
      message.text = output.substr(lineEnd + 1, textEnd - lineEnd - 1);
      if (!message.text.empty() && message.text.back() == '\r') message.text.pop_back();
    }
    return message;
  }
  return std::nullopt;
}

}  // namespace pelvane::engine
