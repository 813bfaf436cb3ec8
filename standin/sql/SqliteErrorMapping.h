// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace pelvane::standin {

/// An SQLite failure told as SQL Server would number it.
struct MappedError {
  int32_t number = 0;
  uint8_t severity = 16;
  std::string text;
  bool syntax = false;  // a compile error: the whole batch stops
};

/// lastToken: the statement's last token as written, for "incomplete input".
MappedError MapSqliteError(int code, const std::string& message, const std::string& lastToken);

/// Whether SQLite's message is about syntax rather than names or data.
bool IsSyntaxMessage(const std::string& message);

/// Error 102 for a token.
MappedError SyntaxErrorNear(const std::string& token);

}  // namespace pelvane::standin
