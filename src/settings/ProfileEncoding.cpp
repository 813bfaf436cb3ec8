// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ProfileEncoding.h"

#include <cstdint>

#include "settings/Utf8.h"

namespace pelvane::settings {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

void AppendUtf16Le(std::string& out, uint32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>((unit >> 8) & 0xFF);
}

/// The code at text[i] and how many bytes it takes; a byte that starts no valid sequence is
/// one character of its own code.
uint32_t NextCode(std::string_view text, size_t i, size_t& length) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char first = byte(i);
  length = 1;
  size_t need = first >= 0xF0 && first <= 0xF4 ? 3 : first >= 0xE0 ? 2 : first >= 0xC2 ? 1 : 0;
  if (first < 0x80 || need == 0 || i + need >= text.size()) return first;
  uint32_t code = first & (0x3F >> need);
  for (size_t k = 1; k <= need; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return first;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  const uint32_t least = need == 1 ? 0x80 : need == 2 ? 0x800 : 0x10000;
  if (code < least || code > 0x10FFFF) return first;
  length = need + 1;
  return code;
}

}  // namespace

DecodedProfile DecodeProfile(std::string_view bytes) {
  DecodedProfile decoded;
  if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    decoded.encoding = ProfileEncoding::kUtf8WithMark;
    decoded.text = std::string(bytes.substr(kUtf8Mark.size()));
    return decoded;
  }
  if (bytes.substr(0, kUtf16LeMark.size()) != kUtf16LeMark) {
    decoded.text = std::string(bytes);
    return decoded;
  }
  decoded.encoding = ProfileEncoding::kUtf16Le;
  const size_t end = bytes.size() - (bytes.size() % 2);
  if (end < bytes.size()) decoded.tail = std::string(bytes.substr(end));
  const auto unit = [&](size_t k) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[k])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[k + 1])) << 8);
  };
  for (size_t i = kUtf16LeMark.size(); i < end; i += 2) {
    uint32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 2 < end) {
      uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    // Surrogates are written like any other code, so that an unpaired one in a UTF-16 file
    // survives a rewrite.
    AppendUtf8(decoded.text, code);
  }
  return decoded;
}

bool HoldsExactly(ProfileEncoding encoding, std::string_view text) {
  if (encoding != ProfileEncoding::kUtf16Le) return true;
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    uint32_t code = NextCode(text, i, length);
    if (length == 1 && code >= 0x80) return false;
    i += length;
  }
  return true;
}

std::string EncodeProfile(ProfileEncoding encoding, std::string_view text, std::string_view tail) {
  switch (encoding) {
    case ProfileEncoding::k8Bit:
      return std::string(text);
    case ProfileEncoding::kUtf8WithMark:
      return std::string(kUtf8Mark) + std::string(text);
    case ProfileEncoding::kUtf16Le:
      break;
  }
  std::string out(kUtf16LeMark);
  out.reserve(2 + text.size() * 2);
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    uint32_t code = NextCode(text, i, length);
    // A surrogate written by DecodeProfile comes as a three-byte form NextCode accepts.
    if (code >= 0x10000) {
      code -= 0x10000;
      AppendUtf16Le(out, 0xD800 + (code >> 10));
      AppendUtf16Le(out, 0xDC00 + (code & 0x3FF));
    } else {
      AppendUtf16Le(out, code);
    }
    i += length;
  }
  out += tail;
  return out;
}

}  // namespace pelvane::settings
