// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace pelvane::platform {

/// How a driver reads a "}" inside a value written in braces.
enum class BraceEscaping {
  kDoubled,   // "}}" stands for one "}" (the ODBC rule; FreeTDS 1.4 and later)
  kVerbatim,  // the value runs to the first "}" that ";" or the end follows (FreeTDS 1.3)
};

/// `value` as it may follow "KEY=" in a connection string: bare when nothing in it can end or
/// open a value early, else in braces. Empty when this driver cannot read it back unchanged
/// (a "};" inside braces under kVerbatim).
std::optional<std::string> OdbcAttributeValue(const std::string& value, BraceEscaping escaping);

/// A connection string built one "key=value;" attribute at a time.
class OdbcConnectionString {
 public:
  explicit OdbcConnectionString(BraceEscaping escaping) : escaping_(escaping) {}

  /// Adds "key=value;", the value quoted where it needs it.
  OdbcConnectionString& Add(const std::string& key, const std::string& value);

  const std::string& text() const { return text_; }
  /// The first key whose value could not be written (empty when all could).
  const std::string& unwritableKey() const { return unwritableKey_; }

 private:
  BraceEscaping escaping_;
  std::string text_;
  std::string unwritableKey_;
};

}  // namespace pelvane::platform
