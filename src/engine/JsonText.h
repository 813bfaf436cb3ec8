// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/Status.h"

namespace pelvane::engine {

/// A parsed JSON value. Object members keep their order; a repeated name keeps every member and
/// Find returns the first.
struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;  // UTF-8
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  /// The member of that name, or nullptr (also when this is no object).
  const JsonValue* Find(const std::string& name) const;
};

/// Parses one JSON text (RFC 8259) with nothing but white space around it. Nesting deeper than
/// 64 levels is refused, so hostile input cannot exhaust the stack.
Result<JsonValue> ParseJson(const std::string& text);

/// Takes each item of an array, with its 0-based index; an error ends the parse with it.
using JsonItemSink = std::function<Status(size_t index, JsonValue&& item)>;

/// ParseJson, but the items of the array that the top-level object holds under `member` (its
/// first such member) go to sink as they are read and are not kept: that array stays empty in
/// the document, so a long array is never held whole.
Result<JsonValue> ParseJson(const std::string& text, const std::string& member,
                            const JsonItemSink& sink);

/// A JSON string literal of 8-bit text: valid UTF-8 is kept, any other byte is taken as Latin-1,
/// and control characters, quotes and backslashes are escaped.
std::string JsonString(const std::string& text);

/// Text as valid UTF-8: valid sequences are kept, any other byte is taken as Latin-1.
std::string ToValidUtf8(const std::string& text);

}  // namespace pelvane::engine
