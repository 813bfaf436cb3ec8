// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace pelvane::settings {

/// How a settings file's bytes are written. Windows' profile functions read and write files in
/// UTF-16LE with a byte-order mark as well as 8-bit text, and editors like to add a UTF-8 mark.
enum class ProfileEncoding { k8Bit, kUtf8WithMark, kUtf16Le };

struct DecodedProfile {
  ProfileEncoding encoding = ProfileEncoding::k8Bit;
  std::string text;  // 8-bit text as it stands; UTF-8 for the two Unicode forms
  std::string tail;  // the odd last byte of a UTF-16 file, kept as it was
};

/// The text of a file's bytes, its byte-order mark removed.
DecodedProfile DecodeProfile(std::string_view bytes);

/// The bytes to write for text in a file of the given encoding. UTF-16 text comes back exactly
/// as it was read (unpaired surrogates included); a byte that is not UTF-8 is taken as the
/// character of that code (Latin-1), so nothing is ever written as a mix of two encodings.
std::string EncodeProfile(ProfileEncoding encoding, std::string_view text,
                          std::string_view tail = {});

/// Whether text can be written in a file of the given encoding and read back unchanged: in a
/// UTF-16 file only UTF-8 text can.
bool HoldsExactly(ProfileEncoding encoding, std::string_view text);

}  // namespace pelvane::settings
