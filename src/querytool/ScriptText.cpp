// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/ScriptText.h"

#include <cstdint>

namespace pelvane::querytool {
namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr uint32_t kReplacement = 0xFFFD;

std::string Utf16ToUtf8(const std::string& bytes, size_t start, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size() / 2);
  auto unit = [&](size_t i) {
    auto b0 = static_cast<uint8_t>(bytes[i]);
    auto b1 = static_cast<uint8_t>(bytes[i + 1]);
    return static_cast<uint32_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
  };
  size_t i = start;
  while (i + 1 < bytes.size()) {
    uint32_t u = unit(i);
    i += 2;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < bytes.size()) {
      uint32_t low = unit(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        i += 2;
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        continue;
      }
    }
    AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
  }
  if (i < bytes.size()) AppendUtf8(out, kReplacement);  // odd trailing byte
  return out;
}

// 0x80..0x9F of Windows-1252; the rest of its upper half equals Latin-1.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string Cp1252ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char c : bytes) {
    auto b = static_cast<uint8_t>(c);
    if (b < 0x80)
      out += c;
    else if (b < 0xA0)
      AppendUtf8(out, kCp1252High[b - 0x80]);
    else
      AppendUtf8(out, b);
  }
  return out;
}

bool StartsWith(const std::string& bytes, const char* prefix, size_t n) {
  return bytes.size() >= n && bytes.compare(0, n, prefix, n) == 0;
}

}  // namespace

bool IsValidUtf8(const std::string& bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    auto b = static_cast<uint8_t>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t extra = 0;
    if ((b & 0xE0) == 0xC0)
      extra = 1;
    else if ((b & 0xF0) == 0xE0)
      extra = 2;
    else if ((b & 0xF8) == 0xF0)
      extra = 3;
    else
      return false;
    if (i + extra >= n) return false;
    static constexpr uint32_t kLeadMask[4] = {0, 0x1F, 0x0F, 0x07};
    static constexpr uint32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
    uint32_t cp = b & kLeadMask[extra];
    for (size_t k = 1; k <= extra; ++k) {
      auto c = static_cast<uint8_t>(bytes[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string DecodeScript(const std::string& bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) return bytes.substr(3);
  if (StartsWith(bytes, "\xFF\xFE", 2)) return Utf16ToUtf8(bytes, 2, false);
  if (StartsWith(bytes, "\xFE\xFF", 2)) return Utf16ToUtf8(bytes, 2, true);
  if (IsValidUtf8(bytes)) return bytes;
  return Cp1252ToUtf8(bytes);
}

}  // namespace pelvane::querytool
