// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace pelvane::shell {

/// The number the text starts with, read as classic BASIC's Val reads it: leading blanks
/// skipped, an optional sign, digits with an optional "." fraction and an optional "E"
/// exponent; anything after that is ignored. Text that does not start with a number gives 0.
/// The decimal point is "." whatever the locale.
double LeadingNumber(std::string_view text);

/// A number as a setting stores it: the shortest decimal text of a single-precision value
/// ("2.5", "9", "0.1").
std::string SingleText(float value);

}  // namespace pelvane::shell
