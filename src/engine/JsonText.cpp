// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JsonText.h"

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "settings/Utf8.h"

namespace pelvane::engine {

namespace {

constexpr size_t kMaxDepth = 64;

/// Builds JsonValue from nlohmann-json's events: it checks the text (RFC 8259, UTF-8 included),
/// this keeps the members' order and repeated names, limits the nesting and hands the items of
/// the streamed array on as they are read.
class TreeBuilder {
 public:
  using Json = nlohmann::json;

  TreeBuilder(const std::string* streamedMember, const JsonItemSink* sink)
      : streamedMember_(streamedMember), sink_(sink) {}

  bool null() { return Add(JsonValue{}); }
  bool boolean(bool value) {
    JsonValue v;
    v.kind = JsonValue::Kind::kBool;
    v.boolean = value;
    return Add(std::move(v));
  }
  bool number_integer(Json::number_integer_t value) { return Number(static_cast<double>(value)); }
  bool number_unsigned(Json::number_unsigned_t value) { return Number(static_cast<double>(value)); }
  bool number_float(Json::number_float_t value, const Json::string_t&) { return Number(value); }
  bool string(Json::string_t& value) {
    JsonValue v;
    v.kind = JsonValue::Kind::kString;
    v.text = std::move(value);
    return Add(std::move(v));
  }
  bool binary(Json::binary_t&) { return false; }  // never in JSON text
  bool start_object(size_t) { return Open(JsonValue::Kind::kObject); }
  bool key(Json::string_t& name) {
    key_ = std::move(name);
    return true;
  }
  bool end_object() { return Close(); }
  bool start_array(size_t) { return Open(JsonValue::Kind::kArray); }
  bool end_array() { return Close(); }
  bool parse_error(size_t position, const std::string&, const nlohmann::detail::exception& ex) {
    if (status_.ok()) status_ = Error(Phrase(ex.what()), position);
    return false;
  }

  Result<JsonValue> Finish(bool parsed) {
    if (!status_.ok()) return status_;
    if (!parsed) return Error("cannot be read", 0);
    return std::move(root_);
  }

 private:
  static Status Error(const std::string& what, size_t position) {
    return Status::Error("The JSON text " + what +
                             (position > 0 ? " (at byte " + std::to_string(position) + ")." : "."),
                         kInvalidArgument);
  }

  /// Our words for the library's message, so that the errors read as they always have.
  static std::string Phrase(const std::string& message) {
    static const std::pair<const char*, const char*> kPhrases[] = {
        {"unexpected end of input; expected '[', '{', or a literal",
         "ends where a value should be"},
        {"unexpected end of input", "ends early"},
        {"expected end of input", "holds more after its value"},
        {"ill-formed UTF-8", "is not valid UTF-8"},
        {"missing closing quote", "ends inside a string"},
        {"must be escaped", "has a control character inside a string"},
        {"surrogate", "has a lone surrogate"},
        {"number overflow", "has a number out of range"},
    };
    for (const auto& [part, phrase] : kPhrases)
      if (message.find(part) != std::string::npos) return phrase;
    return "is not valid JSON";
  }

  bool Number(double value) {
    JsonValue v;
    v.kind = JsonValue::Kind::kNumber;
    v.number = value;
    return Add(std::move(v));
  }

  /// Values deeper than the limit are refused, so hostile input cannot exhaust the stack of
  /// whoever walks the tree.
  bool Deep() {
    if (open_.size() <= kMaxDepth) return false;
    status_ = Error("nests too deeply", 0);
    return true;
  }

  JsonValue* Place(JsonValue&& value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    JsonValue& parent = *open_.back();
    if (parent.kind == JsonValue::Kind::kArray) {
      parent.items.push_back(std::move(value));
      return &parent.items.back();
    }
    parent.members.emplace_back(std::move(key_), std::move(value));
    return &parent.members.back().second;
  }

  /// A finished item of the streamed array goes to the sink and leaves the tree.
  bool Streamed() {
    if (open_.empty() || open_.back() != streamed_) return true;
    JsonValue item = std::move(streamed_->items.back());
    streamed_->items.pop_back();
    if (Status s = (*sink_)(streamedCount_++, std::move(item)); !s) {
      status_ = s;
      return false;
    }
    return true;
  }

  bool Add(JsonValue&& value) {
    if (Deep()) return false;
    Place(std::move(value));
    return Streamed();
  }

  bool Open(JsonValue::Kind kind) {
    if (Deep()) return false;
    // The first member of the top-level object with the streamed name, when it is an array.
    const bool streamed = sink_ != nullptr && streamed_ == nullptr && open_.size() == 1 &&
                          open_.front() == &root_ && root_.kind == JsonValue::Kind::kObject &&
                          kind == JsonValue::Kind::kArray && key_ == *streamedMember_;
    JsonValue value;
    value.kind = kind;
    JsonValue* placed = Place(std::move(value));
    open_.push_back(placed);
    if (streamed) streamed_ = placed;
    return true;
  }

  bool Close() {
    open_.pop_back();
    return Streamed();
  }

  const std::string* streamedMember_;
  const JsonItemSink* sink_;
  JsonValue root_;
  std::vector<JsonValue*> open_;  // the containers being read, outermost first
  std::string key_;
  JsonValue* streamed_ = nullptr;
  size_t streamedCount_ = 0;
  Status status_ = Status::Ok();
};

Result<JsonValue> Parse(const std::string& text, const std::string* member,
                        const JsonItemSink* sink) {
  TreeBuilder builder(member, sink);
  const bool parsed = nlohmann::json::sax_parse(text, &builder);
  return builder.Finish(parsed);
}

}  // namespace

const JsonValue* JsonValue::Find(const std::string& name) const {
  for (const auto& [key, member] : members)
    if (key == name) return &member;
  return nullptr;
}

Result<JsonValue> ParseJson(const std::string& text) {
  return Parse(text, nullptr, nullptr);
}

Result<JsonValue> ParseJson(const std::string& text, const std::string& member,
                            const JsonItemSink& sink) {
  return Parse(text, &member, sink ? &sink : nullptr);
}

std::string ToValidUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = settings::Utf8SequenceLength(text, i);
    if (length == 0) {
      settings::AppendUtf8(out, static_cast<unsigned char>(text[i++]));
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : ToValidUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + '"';
}

}  // namespace pelvane::engine
