// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace pelvane::settings {

/// Blanks that the profile format strips around names and values.
bool IsProfileBlank(char c);
std::string_view TrimBlanks(std::string_view text);
/// ASCII-only lower case; other bytes are left as they are, so 8-bit text compares byte for byte.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace pelvane::settings
