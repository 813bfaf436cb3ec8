// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/SqlTokens.h"

#include <cctype>
#include <cstring>

#include "standin/sql/TextCase.h"

namespace pelvane::standin {

bool Token::IsWord(const char* upperWord) const {
  return kind == TokenKind::kWord && text.size() == std::strlen(upperWord) &&
         UpperAscii(text) == upperWord;
}

namespace {

bool IsWordStart(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalpha(u) || c == '_' || c == '@' || c == '#' || u >= 0x80;
}

bool IsWordPart(char c) {
  return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text) {}

  Tokenized Run() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos_;
      } else if (StartsWith("--")) {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (StartsWith("/*")) {
        if (!SkipBlockComment()) return Fail(113, "Missing end comment mark '*/'.");
      } else if (c == '\'' || ((c == 'N' || c == 'n') && Peek(1) == '\'')) {
        size_t start = pos_;
        int line = line_;
        if (c != '\'') ++pos_;
        std::string value;
        if (!ReadQuoted('\'', value))
          return Fail(105,
                      "Unclosed quotation mark after the character string '" +
                          text_.substr(start + (c == '\'' ? 1 : 2)) + "'.",
                      line);
        Add(TokenKind::kString, value, start, line);
      } else if (c == '[' || c == '"') {
        size_t start = pos_;
        int line = line_;
        std::string value;
        if (!ReadQuoted(c == '[' ? ']' : '"', value))
          return Fail(105,
                      "Unclosed quotation mark after the character string '" +
                          text_.substr(start + 1) + "'.",
                      line);
        Add(TokenKind::kQuotedName, value, start, line);
      } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                 (c == '.' && std::isdigit(static_cast<unsigned char>(Peek(1))))) {
        ReadNumber();
      } else if (IsWordStart(c)) {
        size_t start = pos_;
        while (pos_ < text_.size() && IsWordPart(text_[pos_])) ++pos_;
        Add(TokenKind::kWord, text_.substr(start, pos_ - start), start, line_);
      } else {
        size_t start = pos_;
        static const char* const kPairs[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||", "::"};
        size_t length = 1;
        for (const char* pair : kPairs)
          if (StartsWith(pair)) length = 2;
        pos_ += length;
        Add(TokenKind::kSymbol, text_.substr(start, length), start, line_);
      }
    }
    return std::move(result_);
  }

 private:
  char Peek(size_t ahead) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
  bool StartsWith(const char* s) const { return text_.compare(pos_, std::strlen(s), s) == 0; }

  void Add(TokenKind kind, std::string value, size_t start, int line) {
    result_.tokens.push_back(Token{kind, std::move(value), line, start, pos_});
  }

  Tokenized Fail(int number, std::string message, int line = 0) {
    result_.failed = true;
    result_.error = TokenizeError{number, std::move(message), line ? line : line_};
    return std::move(result_);
  }

  // T-SQL block comments nest.
  bool SkipBlockComment() {
    int depth = 0;
    while (pos_ < text_.size()) {
      if (StartsWith("/*")) {
        ++depth;
        pos_ += 2;
      } else if (StartsWith("*/")) {
        pos_ += 2;
        if (--depth == 0) return true;
      } else {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
      }
    }
    return false;
  }

  // A doubled closing quote stands for itself.
  bool ReadQuoted(char close, std::string& value) {
    ++pos_;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == close) {
        if (Peek(1) == close) {
          value += close;
          pos_ += 2;
          continue;
        }
        ++pos_;
        return true;
      }
      if (c == '\n') ++line_;
      value += c;
      ++pos_;
    }
    return false;
  }

  void ReadNumber() {
    size_t start = pos_;
    if (StartsWith("0x") || StartsWith("0X")) {
      pos_ += 2;
      while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    } else {
      while (pos_ < text_.size() &&
             (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.'))
        ++pos_;
      if ((Peek(0) == 'e' || Peek(0) == 'E') &&
          (std::isdigit(static_cast<unsigned char>(Peek(1))) ||
           ((Peek(1) == '+' || Peek(1) == '-') &&
            std::isdigit(static_cast<unsigned char>(Peek(2)))))) {
        pos_ += 2;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      }
    }
    Add(TokenKind::kNumber, text_.substr(start, pos_ - start), start, line_);
  }

  const std::string& text_;
  size_t pos_ = 0;
  int line_ = 1;
  Tokenized result_;
};

}  // namespace

Tokenized Tokenize(const std::string& text) {
  return Scanner(text).Run();
}

}  // namespace pelvane::standin
