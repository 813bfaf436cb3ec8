// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::standin::tds {

/// UTF-8 (the SQL side's text) to UTF-16LE (the wire's); invalid input becomes U+FFFD.
std::string Utf8ToUtf16Le(const std::string& utf8);

/// UTF-16LE to UTF-8; an odd trailing byte is dropped, lone surrogates become U+FFFD.
std::string Utf16LeToUtf8(const std::string& utf16);

/// Single-byte text in code page 1252 (the collation the stand-in announces) to UTF-8.
std::string Cp1252ToUtf8(const std::string& bytes);

/// Number of UTF-16 code units in the UTF-16LE bytes.
inline size_t Utf16Units(const std::string& utf16) {
  return utf16.size() / 2;
}

}  // namespace pelvane::standin::tds
