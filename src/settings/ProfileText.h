// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
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

/// A whole number in ASCII digits only (no sign, no blanks), with no more digits than maxValue
/// has and a value up to maxValue; nullopt for anything else.
std::optional<int> ParseDigits(std::string_view text, int maxValue);

}  // namespace pelvane::settings
