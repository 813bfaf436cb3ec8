// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/TextEncoding.h"

#include <cstdint>

#include "settings/Utf8.h"

namespace pelvane::standin::tds {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

using settings::AppendUtf8;

void AppendUnit(std::string& out, uint32_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>(unit >> 8));
}

// Decodes one UTF-8 sequence at i; advances i past it, invalid bytes one at a time.
char32_t NextCodePoint(const std::string& s, size_t& i) {
  auto byte = [&](size_t at) { return static_cast<unsigned char>(s[at]); };
  unsigned char lead = byte(i);
  int extra = lead < 0x80         ? 0
              : (lead >> 5) == 6  ? 1
              : (lead >> 4) == 14 ? 2
              : (lead >> 3) == 30 ? 3
                                  : -1;
  if (extra == 0) {
    ++i;
    return lead;
  }
  if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
    ++i;
    return kReplacement;
  }
  char32_t c = lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char next = byte(i + static_cast<size_t>(k));
    if ((next & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  i += static_cast<size_t>(extra) + 1;
  if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  return c;
}

}  // namespace

std::string Utf8ToUtf16Le(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = NextCodePoint(utf8, i);
    if (c >= 0x10000) {
      c -= 0x10000;
      AppendUnit(out, 0xD800 + (c >> 10));
      AppendUnit(out, 0xDC00 + (c & 0x3FF));
    } else {
      AppendUnit(out, c);
    }
  }
  return out;
}

std::string Utf16LeToUtf8(const std::string& utf16) {
  std::string out;
  out.reserve(utf16.size());
  size_t units = utf16.size() / 2;
  auto unit = [&](size_t k) {
    return static_cast<char32_t>(static_cast<unsigned char>(utf16[2 * k]) |
                                 static_cast<unsigned char>(utf16[2 * k + 1]) << 8);
  };
  for (size_t k = 0; k < units; ++k) {
    char32_t c = unit(k);
    if (c >= 0xD800 && c <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 &&
        unit(k + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
      ++k;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string Cp1252ToUtf8(const std::string& bytes) {
  // 0x80..0x9F differ from Latin-1; the five unassigned ones map to themselves as Windows does.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
  }
  return out;
}

}  // namespace pelvane::standin::tds
