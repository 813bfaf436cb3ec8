// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcConnectionString.h"

namespace pelvane::platform {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::optional<std::string> OdbcAttributeValue(const std::string& value, BraceEscaping escaping) {
  // A bare value ends at ";" and loses blanks at its ends; a leading "{" opens braces. A "}"
  // elsewhere is plain text, so a bare value reads the same under either brace rule.
  bool needsBraces =
      value.find(';') != std::string::npos ||
      (!value.empty() && (value.front() == '{' || IsBlank(value.front()) || IsBlank(value.back())));
  if (!needsBraces) return value;
  if (escaping == BraceEscaping::kVerbatim) {
    if (value.find("};") != std::string::npos) return std::nullopt;
    return "{" + value + "}";
  }
  std::string quoted = "{";
  for (char c : value) {
    quoted += c;
    if (c == '}') quoted += '}';
  }
  return quoted + "}";
}

OdbcConnectionString& OdbcConnectionString::Add(const std::string& key, const std::string& value) {
  std::optional<std::string> written = OdbcAttributeValue(value, escaping_);
  if (!written && unwritableKey_.empty()) unwritableKey_ = key;
  text_ += key + "=" + written.value_or("") + ";";
  return *this;
}

}  // namespace pelvane::platform
