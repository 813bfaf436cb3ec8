// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelvane::querytool {

/// One column of a result set as the text layout shows it.
struct ColumnLayout {
  std::string name;
  size_t width = 0;         ///< display width in characters, at least the name's length
  bool alignRight = false;  ///< numbers line up on the right
};

/// A message from the server as db-lib reports it.
struct ServerMessage {
  int32_t number = 0;
  int state = 0;
  int severity = 0;
  std::string text;
  std::string procedure;
  int line = 0;
};

/// Severities above this are errors; at or below, the message is information (PRINT is 0).
constexpr int kMaxInformationalSeverity = 10;

/// Number of characters of UTF-8 text, which is what the widths count.
size_t DisplayLength(const std::string& text);

/// The header line: each name padded to its column's width, columns separated by a blank.
std::string HeaderLine(const std::vector<ColumnLayout>& columns);
/// A run of dashes per column, as wide as the column.
std::string DashLine(const std::vector<ColumnLayout>& columns);
/// One row; a missing value is NULL.
std::string RowLine(const std::vector<ColumnLayout>& columns,
                    const std::vector<std::optional<std::string>>& values);
/// "(N row(s) affected)"
std::string RowCountLine(long long rows);

/// The lines a message from the server becomes: an error (severity above 10) as
/// "Server: Msg ..., Level ..., State ..., [Procedure ..., ]Line ..." and its text; information
/// as its text alone; none for the notices of a changed database, language or character set.
std::vector<std::string> MessageLines(const ServerMessage& message);

}  // namespace pelvane::querytool
