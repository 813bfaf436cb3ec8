// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/LeadingNumber.h"

#include <QString>
#include <cctype>
#include <optional>

#include "engine/VbNumber.h"

namespace pelvane::shell {

namespace {

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

size_t SkipDigits(std::string_view text, size_t pos) {
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  const size_t start = pos;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  const size_t digitsStart = pos;
  pos = SkipDigits(text, pos);
  bool anyDigits = pos > digitsStart;
  if (pos < text.size() && text[pos] == '.') {
    size_t fractionEnd = SkipDigits(text, pos + 1);
    anyDigits = anyDigits || fractionEnd > pos + 1;
    pos = fractionEnd;
  }
  if (!anyDigits) return 0;
  // An exponent counts only when digits follow it: "2e" is 2.
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    size_t exponent = pos + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    size_t exponentEnd = SkipDigits(text, exponent);
    if (exponentEnd > exponent) pos = exponentEnd;
  }
  std::optional<double> value = engine::ParseVbNumber(text.substr(start, pos - start));
  return value.value_or(0);
}

std::string SingleText(float value) {
  // Seven significant digits: what a single-precision value holds, without noise digits.
  return QString::number(static_cast<double>(value), 'g', 7).toStdString();
}

}  // namespace pelvane::shell
