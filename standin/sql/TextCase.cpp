// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/TextCase.h"

#include <algorithm>

namespace pelvane::standin {

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), Lower);
  return text;
}

std::string UpperAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), Upper);
  return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace pelvane::standin
