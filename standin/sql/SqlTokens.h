// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/Status.h"

namespace pelvane::standin {

enum class TokenKind {
  kWord,        // keyword, name, @variable, @@function, #temp
  kQuotedName,  // [name] or "name"; text is the name without quotes
  kString,      // 'text' or N'text'; text is the value without quotes
  kNumber,
  kSymbol,  // operators and punctuation, one or two characters
};

struct Token {
  TokenKind kind = TokenKind::kWord;
  std::string text;
  int line = 1;      // 1-based line of the token's first character
  size_t begin = 0;  // byte offsets in the batch
  size_t end = 0;

  bool IsWord(const char* upperWord) const;
  bool IsSymbol(const char* symbol) const { return kind == TokenKind::kSymbol && text == symbol; }
  /// A word or a quoted name: something that can name an object.
  bool IsName() const { return kind == TokenKind::kWord || kind == TokenKind::kQuotedName; }
};

/// Why a batch could not be split into tokens, with SQL Server's number for it.
struct TokenizeError {
  int number = 0;
  std::string text;
  int line = 1;
};

struct Tokenized {
  std::vector<Token> tokens;
  bool failed = false;
  TokenizeError error;
};

/// Splits T-SQL text into tokens; comments (-- and nested /* */) are dropped.
Tokenized Tokenize(const std::string& text);

}  // namespace pelvane::standin
