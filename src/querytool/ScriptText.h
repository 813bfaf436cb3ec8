// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::querytool {

/// A script file's bytes as UTF-8 text for the server: a UTF-8 byte-order mark is dropped,
/// UTF-16 (LE or BE, with its mark) is converted, and 8-bit text that is not UTF-8 is read as
/// Windows-1252, the code page such scripts are written in.
std::string DecodeScript(const std::string& bytes);

/// True when the bytes form valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& bytes);

}  // namespace pelvane::querytool
