// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pelvane::engine {

/// Reads a stored setting as a number the way classic BASIC converts text: blanks around it,
/// an optional sign, digits with an optional "." fraction and an optional "E"/"e" exponent, or
/// an "&H" hexadecimal / "&O" octal literal. Anything else, including empty text, is no number.
///
/// The decimal point is always "." whatever the process locale: the settings file is shared
/// between machines and users, and the GUI toolkit switches the C library to the user's locale,
/// which would make "3.5" unreadable under a decimal-comma locale.
///
/// Hex and octal literals are two's complement, as in BASIC: up to 16 bits they are a 16-bit
/// value ("&HFFFF" is -1), up to 32 bits a 32-bit value; longer ones are no number.
std::optional<double> ParseVbNumber(std::string_view text);

/// The text as a 16-bit integer, rounded half to even; no value outside -32768..32767.
std::optional<int16_t> ToInt16(std::string_view text);

/// The text as a single-precision number; no value when its magnitude exceeds the float range.
std::optional<float> ToSingle(std::string_view text);

}  // namespace pelvane::engine
