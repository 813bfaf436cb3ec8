// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PasswordScrambler.h"

namespace pelvane::settings {

namespace {

/// The decimal character codes of the key, written one after the other ("mole" gives
/// "109111108101"). Each password character meets the next digit's own character code.
class KeyDigits {
 public:
  explicit KeyDigits(std::string_view key) {
    for (unsigned char c : key) digits_ += std::to_string(static_cast<unsigned>(c));
  }
  /// The next digit's character code; an empty key scrambles nothing.
  unsigned Next() {
    if (digits_.empty()) return 0;
    unsigned k = static_cast<unsigned char>(digits_[position_]);
    position_ = (position_ + 1) % digits_.size();
    return k;
  }

 private:
  std::string digits_;
  size_t position_ = 0;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

/// Hexadecimal digits from the left, stopping at the first character that is not one.
unsigned ReadHexPrefix(std::string_view text) {
  unsigned value = 0;
  for (char c : text) {
    int digit = HexValue(c);
    if (digit < 0) break;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return value;
}

}  // namespace

std::string ScramblePassword(std::string_view text, std::string_view key) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  KeyDigits digits(key);
  std::string out;
  out.reserve(text.size() * 2);
  for (unsigned char c : text) {
    unsigned x = c ^ digits.Next();
    out += kHex[(x >> 4) & 0xF];
    out += kHex[x & 0xF];
  }
  return out;
}

std::string UnscramblePassword(std::string_view text, std::string_view key) {
  KeyDigits digits(key);
  std::string out;
  out.reserve(text.size() / 2 + 1);
  for (size_t j = 0; j < text.size(); j += 2) {
    unsigned k = digits.Next();
    unsigned v = ReadHexPrefix(text.substr(j, 2));
    out += static_cast<char>((v ^ k) & 0xFF);
  }
  return out;
}

}  // namespace pelvane::settings
