// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VbNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "settings/ProfileText.h"

namespace pelvane::engine {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<double> ParseRadix(std::string_view digits, int bitsPerDigit) {
  if (digits.empty()) return std::nullopt;
  const int base = 1 << bitsPerDigit;
  uint64_t value = 0;
  for (char c : digits) {
    int digit = DigitValue(c);
    if (digit < 0 || digit >= base) return std::nullopt;
    if (value > (0xFFFFFFFFull >> bitsPerDigit)) return std::nullopt;
    value = (value << bitsPerDigit) | static_cast<uint64_t>(digit);
  }
  auto signedValue = static_cast<int64_t>(value);
  if (value <= 0xFFFF)
    return static_cast<double>(value >= 0x8000 ? signedValue - 0x10000 : signedValue);
  return static_cast<double>(value >= 0x80000000ull ? signedValue - 0x100000000ll : signedValue);
}

/// Decimal form: [sign] digits [. digits] [E [sign] digits], at least one mantissa digit.
std::optional<double> ParseDecimal(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t mantissaStart = i;

  // Decimal order of magnitude of the mantissa, to tell overflow from underflow below.
  long long order = 0;
  bool seenNonZero = false;
  size_t mantissaDigits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++mantissaDigits) {
    if (seenNonZero || text[i] != '0') {
      seenNonZero = true;
      ++order;
    }
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++mantissaDigits) {
      if (seenNonZero) continue;
      if (text[i] == '0')
        --order;
      else
        seenNonZero = true;
    }
  }
  if (mantissaDigits == 0) return std::nullopt;

  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    const size_t exponentStart = i;
    long long exponent = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
      exponent = std::min(exponent * 10 + (text[i] - '0'), 1'000'000'000LL);
    if (i == exponentStart) return std::nullopt;
    order += negativeExponent ? -exponent : exponent;
  }
  if (i != text.size()) return std::nullopt;

  // from_chars is locale-independent; it does not accept a leading "+".
  std::string digits = negative ? "-" : "";
  digits.append(text.substr(mantissaStart));
  double value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc::result_out_of_range) {
    if (seenNonZero && order > 0) return std::nullopt;
    return negative ? -0.0 : 0.0;  // too small to hold: BASIC reads it as zero
  }
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

double RoundHalfEven(double x) {
  if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
  return std::round(x);
}

}  // namespace

std::optional<double> ParseVbNumber(std::string_view text) {
  text = settings::TrimBlanks(text);
  if (text.size() >= 2 && text[0] == '&') {
    if (text[1] == 'H' || text[1] == 'h') return ParseRadix(text.substr(2), 4);
    if (text[1] == 'O' || text[1] == 'o') return ParseRadix(text.substr(2), 3);
    return std::nullopt;
  }
  return ParseDecimal(text);
}

std::optional<int16_t> ToInt16(std::string_view text) {
  std::optional<double> value = ParseVbNumber(text);
  if (!value) return std::nullopt;
  double rounded = RoundHalfEven(*value);
  if (rounded < std::numeric_limits<int16_t>::min() ||
      rounded > std::numeric_limits<int16_t>::max())
    return std::nullopt;
  return static_cast<int16_t>(rounded);
}

std::optional<float> ToSingle(std::string_view text) {
  std::optional<double> value = ParseVbNumber(text);
  if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*value);
}

}  // namespace pelvane::engine
