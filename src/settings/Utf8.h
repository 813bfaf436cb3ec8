// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelvane::settings {

/// Appends the UTF-8 form of a code point (up to U+10FFFF). Surrogates are written like any
/// other code (as WTF-8 does): the callers that must not write them check before.
void AppendUtf8(std::string& out, uint32_t code);

/// The length of the valid UTF-8 sequence at text[i] (RFC 3629: no overlong forms, no
/// surrogates, nothing above U+10FFFF), or 0 when the bytes there form none.
size_t Utf8SequenceLength(std::string_view text, size_t i);

}  // namespace pelvane::settings
