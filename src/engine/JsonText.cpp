// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JsonText.h"

#include <charconv>
#include <cstdio>

namespace pelvane::engine {

namespace {

constexpr int kMaxDepth = 64;

void AppendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

/// The length of the valid UTF-8 sequence at text[i], or 0 when the bytes there form none.
size_t Utf8SequenceLength(const std::string& text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned long code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (overlong || surrogate || code > 0x10FFFF) return 0;
  return length;
}

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}
  Parser(const std::string& text, std::string streamedMember, JsonItemSink sink)
      : text_(text), streamedMember_(std::move(streamedMember)), sink_(std::move(sink)) {}

  Result<JsonValue> Document() {
    JsonValue value;
    if (Status s = Value(value, 0); !s) return s;
    SkipSpace();
    if (at_ != text_.size()) return Error("holds more after its value");
    return value;
  }

 private:
  Status Error(const std::string& what) const {
    return Status::Error("The JSON text " + what + " (at byte " + std::to_string(at_ + 1) + ").",
                         kInvalidArgument);
  }

  /// Steps over a closing quote, brace or bracket.
  Status Close() {
    ++at_;
    return Status::Ok();
  }

  void SkipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }

  bool Literal(const char* word) {
    const std::string w(word);
    if (text_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }

  Status Value(JsonValue& value, int depth) {
    if (depth > kMaxDepth) return Error("nests too deeply");
    SkipSpace();
    if (at_ >= text_.size()) return Error("ends where a value should be");
    const char c = text_[at_];
    if (c == '{') return Object(value, depth);
    if (c == '[') return Array(value, depth);
    if (c == '"') {
      value.kind = JsonValue::Kind::kString;
      return String(value.text);
    }
    for (bool word : {true, false}) {
      if (!Literal(word ? "true" : "false")) continue;
      value.kind = JsonValue::Kind::kBool;
      value.boolean = word;
      return Status::Ok();
    }
    if (Literal("null")) return Status::Ok();
    return Number(value);
  }

  Status Object(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::kObject;
    ++at_;
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == '}') return Close();
    for (;;) {
      SkipSpace();
      if (at_ >= text_.size() || text_[at_] != '"') return Error("lacks a member name");
      std::string name;
      if (Status s = String(name); !s) return s;
      SkipSpace();
      if (at_ >= text_.size() || text_[at_] != ':') return Error("lacks a colon after a name");
      ++at_;
      JsonValue member;
      SkipSpace();
      const bool streamed = sink_ && depth == 0 && !streamedOnce_ && name == streamedMember_ &&
                            at_ < text_.size() && text_[at_] == '[';
      streamedOnce_ = streamedOnce_ || streamed;
      if (Status s = streamed ? Array(member, depth + 1, &sink_) : Value(member, depth + 1); !s)
        return s;
      value.members.emplace_back(std::move(name), std::move(member));
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == '}') return Close();
      return Error("lacks a comma or a closing brace");
    }
  }

  /// With a sink, each item goes there as soon as it is read and the array stays empty.
  Status Array(JsonValue& value, int depth, const JsonItemSink* sink = nullptr) {
    value.kind = JsonValue::Kind::kArray;
    ++at_;
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == ']') return Close();
    for (size_t index = 0;; ++index) {
      JsonValue item;
      if (Status s = Value(item, depth + 1); !s) return s;
      if (sink == nullptr) {
        value.items.push_back(std::move(item));
      } else if (Status s = (*sink)(index, std::move(item)); !s) {
        return s;
      }
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == ']') return Close();
      return Error("lacks a comma or a closing bracket");
    }
  }

  bool Hex4(unsigned long& code) {
    if (at_ + 4 > text_.size()) return false;
    code = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = text_[at_++];
      code <<= 4;
      if (h >= '0' && h <= '9')
        code |= static_cast<unsigned long>(h - '0');
      else if (h >= 'a' && h <= 'f')
        code |= static_cast<unsigned long>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        code |= static_cast<unsigned long>(h - 'A' + 10);
      else
        return false;
    }
    return true;
  }

  Status Escape(std::string& out) {
    if (at_ >= text_.size()) return Error("ends inside a string");
    const char e = text_[at_++];
    switch (e) {
      case '"':
      case '\\':
      case '/':
        out += e;
        return Status::Ok();
      case 'b':
        out += '\b';
        return Status::Ok();
      case 'f':
        out += '\f';
        return Status::Ok();
      case 'n':
        out += '\n';
        return Status::Ok();
      case 'r':
        out += '\r';
        return Status::Ok();
      case 't':
        out += '\t';
        return Status::Ok();
      case 'u':
        break;
      default:
        return Error("has an unknown escape");
    }
    unsigned long code = 0;
    if (!Hex4(code)) return Error("has a bad \\u escape");
    if (code >= 0xDC00 && code <= 0xDFFF) return Error("has a lone low surrogate");
    if (code >= 0xD800 && code <= 0xDBFF) {
      unsigned long low = 0;
      if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
        return Error("has a lone high surrogate");
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, code);
    return Status::Ok();
  }

  Status String(std::string& out) {
    ++at_;  // the opening quote
    for (;;) {
      if (at_ >= text_.size()) return Error("ends inside a string");
      const unsigned char c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') return Close();
      if (c < 0x20) return Error("has a control character inside a string");
      if (c == '\\') {
        ++at_;
        if (Status s = Escape(out); !s) return s;
        continue;
      }
      const size_t length = Utf8SequenceLength(text_, at_);
      if (length == 0) return Error("is not valid UTF-8");
      out.append(text_, at_, length);
      at_ += length;
    }
  }

  Status Number(JsonValue& value) {
    const size_t start = at_;
    auto digits = [&] {
      const size_t from = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ - from;
    };
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    const size_t intStart = at_;
    const size_t intDigits = digits();
    if (intDigits == 0 || (intDigits > 1 && text_[intStart] == '0')) {
      at_ = start;
      return Error("has an invalid value");
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (digits() == 0) return Error("has a number without digits after its point");
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (digits() == 0) return Error("has a number without exponent digits");
    }
    value.kind = JsonValue::Kind::kNumber;
    const auto [end, error] =
        std::from_chars(text_.data() + start, text_.data() + at_, value.number);
    if (error != std::errc() || end != text_.data() + at_)
      return Error("has a number out of range");
    return Status::Ok();
  }

  const std::string& text_;
  size_t at_ = 0;
  std::string streamedMember_;
  JsonItemSink sink_;
  bool streamedOnce_ = false;
};

}  // namespace

const JsonValue* JsonValue::Find(const std::string& name) const {
  for (const auto& [key, member] : members)
    if (key == name) return &member;
  return nullptr;
}

Result<JsonValue> ParseJson(const std::string& text) {
  return Parser(text).Document();
}

Result<JsonValue> ParseJson(const std::string& text, const std::string& member,
                            const JsonItemSink& sink) {
  return Parser(text, member, sink).Document();
}

std::string ToValidUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      AppendUtf8(out, static_cast<unsigned char>(text[i++]));
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
