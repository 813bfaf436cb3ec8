// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::standin {

/// ASCII case folding: SQL Server's names compare case-insensitively, UTF-8 bytes untouched.
std::string LowerAscii(std::string text);
std::string UpperAscii(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace pelvane::standin
