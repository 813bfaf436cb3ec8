// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace pelvane::settings {

/// Multi-line text kept in one settings value: line feed, carriage return and tab are stored
/// as the tokens "vbChr10", "vbChr13" and "vbChr9".
std::string EncodeTokens(std::string_view text);

/// The inverse of EncodeTokens. Tokens are matched case-sensitively, so a literal "vbChr10"
/// typed by a user comes back as a line feed.
std::string DecodeTokens(std::string_view stored);

}  // namespace pelvane::settings
