// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace pelvane::settings {

/// The fixed key every caller passes to both routines.
constexpr char PasswordKey[] = "mole";

/// Stored passwords are kept as two upper-case hexadecimal digits per character: each byte
/// exclusive-or the character code of one decimal digit of the key's character codes, used in
/// turn. This keeps a password from being read at a glance; it protects nothing else.
std::string ScramblePassword(std::string_view text, std::string_view key);

/// The inverse of ScramblePassword. Text that was never scrambled still unscrambles to some
/// text: each pair of characters is read as hexadecimal digits up to the first one that is not.
std::string UnscramblePassword(std::string_view text, std::string_view key);

}  // namespace pelvane::settings
