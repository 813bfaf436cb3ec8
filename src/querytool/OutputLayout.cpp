// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/OutputLayout.h"

namespace pelvane::querytool {
namespace {

std::string Padded(const std::string& text, size_t width, bool alignRight) {
  size_t length = DisplayLength(text);
  if (length >= width) return text;
  std::string fill(width - length, ' ');
  return alignRight ? fill + text : text + fill;
}

// The server reports each change of session context as a notice that tells nothing about the
// script: changed database (5701), language (5703), character set (5704).
bool IsContextNotice(int32_t number) {
  return number == 5701 || number == 5703 || number == 5704;
}

}  // namespace

size_t DisplayLength(const std::string& text) {
  size_t count = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

std::string HeaderLine(const std::vector<ColumnLayout>& columns) {
  std::string line;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) line += ' ';
    line += Padded(columns[i].name, columns[i].width, false);
  }
  return line;
}

std::string DashLine(const std::vector<ColumnLayout>& columns) {
  std::string line;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) line += ' ';
    line.append(columns[i].width, '-');
  }
  return line;
}

std::string RowLine(const std::vector<ColumnLayout>& columns,
                    const std::vector<std::optional<std::string>>& values) {
  std::string line;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) line += ' ';
    const std::string text = i < values.size() && values[i] ? *values[i] : "NULL";
    line += Padded(text, columns[i].width, columns[i].alignRight);
  }
  return line;
}

std::string RowCountLine(long long rows) {
  return "(" + std::to_string(rows) + " row(s) affected)";
}

std::vector<std::string> MessageLines(const ServerMessage& message) {
  if (message.severity <= kMaxInformationalSeverity) {
    if (IsContextNotice(message.number)) return {};
    return {message.text};
  }
  std::string head = "Server: Msg " + std::to_string(message.number) + ", Level " +
                     std::to_string(message.severity) + ", State " + std::to_string(message.state) +
                     ", ";
  if (!message.procedure.empty()) head += "Procedure " + message.procedure + ", ";
  head += "Line " + std::to_string(message.line);
  return {head, message.text};
}

}  // namespace pelvane::querytool
