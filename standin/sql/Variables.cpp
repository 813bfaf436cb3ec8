// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/Variables.h"

#include <algorithm>
#include <cstdlib>

#include "standin/sql/ResultCollector.h"
#include "standin/sql/TextCase.h"

namespace pelvane::standin {

std::optional<std::vector<VariableDeclaration>> ParseDeclarations(const std::vector<Token>& tokens,
                                                                  size_t begin, size_t end,
                                                                  std::string& near) {
  std::vector<VariableDeclaration> declarations;
  size_t pos = begin;
  end = std::min(end, tokens.size());
  while (pos < end) {
    const Token& name = tokens[pos];
    if (name.kind != TokenKind::kWord || name.text.size() < 2 || name.text[0] != '@') {
      near = name.text;
      return std::nullopt;
    }
    VariableDeclaration declaration;
    declaration.name = LowerAscii(name.text);
    ++pos;
    if (pos < end && tokens[pos].IsWord("AS")) ++pos;
    int depth = 0;
    for (; pos < end; ++pos) {
      const Token& token = tokens[pos];
      if (token.IsSymbol("(")) ++depth;
      if (token.IsSymbol(")")) --depth;
      if (depth == 0 && (token.IsSymbol(",") || token.IsSymbol("="))) break;
      if (token.IsWord("OUTPUT") || token.IsWord("OUT") || token.IsWord("READONLY")) continue;
      declaration.type += (declaration.type.empty() ? "" : " ") + UpperAscii(token.text);
    }
    if (pos < end && tokens[pos].IsSymbol("=")) {
      for (++pos; pos < end; ++pos) {
        const Token& token = tokens[pos];
        if (token.IsSymbol("(")) ++depth;
        if (token.IsSymbol(")")) --depth;
        if (depth == 0 && token.IsSymbol(",")) break;
        if (depth == 0 && (token.IsWord("OUTPUT") || token.IsWord("OUT"))) continue;
        declaration.initial.push_back(token);
      }
      if (declaration.initial.empty()) {
        near = "=";
        return std::nullopt;
      }
    }
    // Table variables and cursors are beyond the stand-in.
    std::string firstWord = declaration.type.substr(0, declaration.type.find(' '));
    if (firstWord.empty() || firstWord == "TABLE" || firstWord == "CURSOR") {
      near = pos < end ? tokens[pos].text : name.text;
      return std::nullopt;
    }
    declarations.push_back(std::move(declaration));
    if (pos < end && tokens[pos].IsSymbol(",")) ++pos;
  }
  return declarations;
}

Value ConvertToType(const Value& value, const std::string& type) {
  if (std::holds_alternative<std::monostate>(value)) return value;
  auto has = [&type](const char* part) { return type.find(part) != std::string::npos; };
  if (has("INT") || has("BIT")) {
    if (std::holds_alternative<double>(value)) return static_cast<int64_t>(std::get<double>(value));
    if (std::holds_alternative<std::string>(value))
      return static_cast<int64_t>(std::strtoll(std::get<std::string>(value).c_str(), nullptr, 10));
    return value;
  }
  if (has("FLOAT") || has("REAL") || has("DEC") || has("NUMERIC") || has("MONEY")) {
    if (std::holds_alternative<int64_t>(value))
      return static_cast<double>(std::get<int64_t>(value));
    if (std::holds_alternative<std::string>(value))
      return std::strtod(std::get<std::string>(value).c_str(), nullptr);
    return value;
  }
  return ValueText(value);
}

std::optional<std::string> BindVariables(sqlite3_stmt* statement, const VariableMap& variables) {
  int count = sqlite3_bind_parameter_count(statement);
  for (int i = 1; i <= count; ++i) {
    const char* raw = sqlite3_bind_parameter_name(statement, i);
    std::string name = raw ? raw : "?";
    auto found = variables.find(LowerAscii(name));
    if (found == variables.end()) return name;
    const Value& value = found->second.value;
    if (std::holds_alternative<int64_t>(value)) {
      sqlite3_bind_int64(statement, i, std::get<int64_t>(value));
    } else if (std::holds_alternative<double>(value)) {
      sqlite3_bind_double(statement, i, std::get<double>(value));
    } else if (std::holds_alternative<std::string>(value)) {
      const std::string& text = std::get<std::string>(value);
      sqlite3_bind_text(statement, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_null(statement, i);
    }
  }
  return std::nullopt;
}

}  // namespace pelvane::standin
