// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/TsqlTranslator.h"

#include <algorithm>
#include <set>

#include "standin/sql/TextCase.h"

namespace pelvane::standin {

namespace {

constexpr const char* kLocalNow = "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";
constexpr const char* kUtcNow = "strftime('%Y-%m-%d %H:%M:%f','now')";

Token Synthetic(TokenKind kind, std::string text, int line) {
  Token token;
  token.kind = kind;
  token.text = std::move(text);
  token.line = line;
  return token;
}

bool IsDbo(const Token& token) {
  return token.IsName() && EqualsNoCase(token.text, "dbo");
}

// Index just past the parenthesis that closes the one at open, or tokens.size().
size_t AfterGroup(const std::vector<Token>& tokens, size_t open) {
  int depth = 0;
  for (size_t i = open; i < tokens.size(); ++i) {
    if (tokens[i].IsSymbol("(")) ++depth;
    if (tokens[i].IsSymbol(")") && --depth == 0) return i + 1;
  }
  return tokens.size();
}

// The comma-separated arguments of the call whose "(" is at open.
std::vector<std::vector<Token>> SplitArguments(const std::vector<Token>& tokens, size_t open,
                                               size_t close) {
  std::vector<std::vector<Token>> arguments(1);
  int depth = 0;
  for (size_t i = open + 1; i + 1 < close; ++i) {
    const Token& token = tokens[i];
    if (token.IsSymbol("(")) ++depth;
    if (token.IsSymbol(")")) --depth;
    if (depth == 0 && token.IsSymbol(",")) {
      arguments.emplace_back();
      continue;
    }
    arguments.back().push_back(token);
  }
  return arguments;
}

class Translator {
 public:
  explicit Translator(const std::vector<Token>& tokens) : t_(tokens) {}

  std::string Run() {
    std::string limit;
    for (size_t i = 0; i < t_.size();) {
      const Token& token = t_[i];
      std::string upper = token.kind == TokenKind::kWord ? UpperAscii(token.text) : "";
      bool call = Next(i).IsSymbol("(");

      if (token.IsSymbol("(")) ++depth_;
      if (token.IsSymbol(")")) --depth_;

      // Qualified names: drop the database and the dbo schema; map catalog views.
      if (token.IsName() && Next(i).IsSymbol(".")) {
        if (Next(i + 1).IsSymbol(".")) {
          i += 3;
          continue;
        }
        if (IsDbo(token)) {
          i += 2;
          continue;
        }
        if (IsDbo(Next(i + 1)) && Next(i + 2).IsSymbol(".")) {
          i += 4;
          continue;
        }
        std::string schema = UpperAscii(token.text);
        if ((schema == "SYS" || schema == "INFORMATION_SCHEMA") && Next(i + 1).IsName()) {
          Emit(LowerAscii(schema == "SYS" ? "sys_" + Next(i + 1).text
                                          : "information_schema_" + Next(i + 1).text));
          i += 3;
          continue;
        }
      }
      if (token.kind == TokenKind::kWord && token.text.rfind("@@", 0) == 0) {
        Emit("standin_global(" + QuoteString(UpperAscii(token.text.substr(2))) + ")");
      } else if ((upper == "GETDATE" || upper == "SYSDATETIME" || upper == "GETUTCDATE" ||
                  upper == "SYSUTCDATETIME") &&
                 call && Next(i + 1).IsSymbol(")")) {
        Emit(upper.find("UTC") != std::string::npos ? kUtcNow : kLocalNow);
        i += 3;
        continue;
      } else if (upper == "DEFAULT" && IsBareCall(i + 1)) {
        // SQLite takes an expression as a default only in parentheses.
        size_t end = Next(i).IsWord("CURRENT_TIMESTAMP") ? i + 2 : AfterGroup(t_, i + 2);
        Emit("DEFAULT (" +
             TranslateToSqlite(
                 {t_.begin() + static_cast<long>(i) + 1, t_.begin() + static_cast<long>(end)}) +
             ")");
        i = end;
        continue;
      } else if (upper == "CURRENT_TIMESTAMP") {
        Emit(kLocalNow);
      } else if (upper == "ISNULL" && call) {
        Emit("ifnull");
      } else if (upper == "LEN" && call) {
        Emit("length");
      } else if (upper == "SUBSTRING" && call) {
        Emit("substr");
      } else if ((upper == "CONVERT" || upper == "CHARINDEX") && call) {
        size_t close = AfterGroup(t_, i + 1);
        auto arguments = SplitArguments(t_, i + 1, close);
        if (upper == "CONVERT" && arguments.size() >= 2)
          Emit("CAST(" + TranslateToSqlite(arguments[1]) + " AS " +
               TranslateToSqlite(arguments[0]) + ")");
        else if (upper == "CHARINDEX" && arguments.size() == 2)
          Emit("instr(" + TranslateToSqlite(arguments[1]) + ", " + TranslateToSqlite(arguments[0]) +
               ")");
        else
          Emit(upper + "(" + TranslateToSqlite(Inside(i + 1, close)) + ")");
        i = close;
        continue;
      } else if (upper == "WITH" && call) {
        // Table hints and index options mean nothing to SQLite.
        i = AfterGroup(t_, i + 1);
        continue;
      } else if (upper == "CLUSTERED" || upper == "NONCLUSTERED") {
      } else if ((upper == "ON" || upper == "TEXTIMAGE_ON") && IsPrimaryFileGroup(Next(i))) {
        i += 2;
        continue;
      } else if (token.IsSymbol("(") && Next(i).IsWord("MAX") && Next(i + 1).IsSymbol(")")) {
        --depth_;
        i += 3;
        continue;
      } else if (upper == "TOP" && limit.empty() && depth_ == 0 && i > 0 &&
                 (Previous(i).IsWord("SELECT") || Previous(i).IsWord("DISTINCT") ||
                  Previous(i).IsWord("ALL"))) {
        size_t after = i + 1;
        if (Next(i).IsSymbol("(")) {
          size_t close = AfterGroup(t_, i + 1);
          limit = TranslateToSqlite(
              {t_.begin() + static_cast<long>(i) + 1, t_.begin() + static_cast<long>(close)});
          after = close;
        } else if (i + 1 < t_.size()) {
          limit = t_[i + 1].text;
          after = i + 2;
        }
        if (after < t_.size() && t_[after].IsWord("PERCENT")) ++after;
        if (after + 1 < t_.size() && t_[after].IsWord("WITH") && t_[after + 1].IsWord("TIES"))
          after += 2;
        i = after;
        continue;
      } else if (upper == "COLLATE" && i + 1 < t_.size()) {
        std::string collation = UpperAscii(t_[i + 1].text);
        bool sqliteOwn = collation == "NOCASE" || collation == "BINARY" || collation == "RTRIM";
        Emit("COLLATE " + (sqliteOwn                                    ? collation
                           : collation.find("_CS") != std::string::npos ? "BINARY"
                                                                        : "NOCASE"));
        i += 2;
        continue;
      } else if (token.IsSymbol("+") && IsConcatenation(i)) {
        Emit("||");
      } else if (token.IsSymbol("!<")) {
        Emit(">=");
      } else if (token.IsSymbol("!>")) {
        Emit("<=");
      } else if (token.kind == TokenKind::kString) {
        Emit(QuoteString(token.text));
      } else if (token.kind == TokenKind::kQuotedName ||
                 (token.kind == TokenKind::kWord && token.text[0] == '#')) {
        Emit(QuoteName(token.text));
      } else {
        Emit(token.text);
      }
      ++i;
    }
    if (!limit.empty()) Emit("LIMIT " + limit);
    return out_;
  }

 private:
  const Token& Next(size_t i) const { return i + 1 < t_.size() ? t_[i + 1] : empty_; }
  const Token& Previous(size_t i) const { return i > 0 ? t_[i - 1] : empty_; }

  bool IsBareCall(size_t i) const {
    return i < t_.size() && (t_[i].IsWord("CURRENT_TIMESTAMP") ||
                             (t_[i].kind == TokenKind::kWord && Next(i).IsSymbol("(")));
  }

  // The tokens between the "(" at open and the ")" just before after, if it is there.
  std::vector<Token> Inside(size_t open, size_t after) const {
    size_t end = after > open + 1 && t_[after - 1].IsSymbol(")") ? after - 1 : after;
    return std::vector<Token>(t_.begin() + static_cast<long>(std::min(open + 1, end)),
                              t_.begin() + static_cast<long>(end));
  }

  // '41' + 1 adds in SQL Server (the text converts to a number); text + text concatenates.
  bool IsConcatenation(size_t i) const {
    const Token& before = Previous(i);
    const Token& after = Next(i);
    return (before.kind == TokenKind::kString && after.kind != TokenKind::kNumber) ||
           (after.kind == TokenKind::kString && before.kind != TokenKind::kNumber);
  }

  static bool IsPrimaryFileGroup(const Token& token) {
    return (token.kind == TokenKind::kQuotedName && EqualsNoCase(token.text, "PRIMARY")) ||
           token.IsWord("PRIMARY");
  }

  void Emit(const std::string& text) {
    if (!out_.empty()) out_ += ' ';
    out_ += text;
  }

  const std::vector<Token>& t_;
  const Token empty_ = Synthetic(TokenKind::kSymbol, "", 0);
  std::string out_;
  int depth_ = 0;
};

bool IsColumnReference(const std::vector<Token>& item) {
  for (size_t i = 0; i < item.size(); ++i) {
    bool expectName = i % 2 == 0;
    if (expectName ? !item[i].IsName() : !item[i].IsSymbol(".")) return false;
  }
  // NULL and niladic functions look like names but SQL Server leaves them unnamed.
  static const std::set<std::string> kNotColumns = {
      "NULL", "CURRENT_TIMESTAMP", "CURRENT_USER", "SYSTEM_USER", "SESSION_USER", "USER"};
  if (item.size() == 1 && item[0].kind == TokenKind::kWord &&
      kNotColumns.count(UpperAscii(item[0].text)))
    return false;
  return item.size() % 2 == 1 && item.front().text.rfind("@", 0) != 0;
}

bool EndsWithAlias(const std::vector<Token>& item) {
  if (item.size() < 2) return false;
  const Token& last = item.back();
  const Token& before = item[item.size() - 2];
  if (before.IsWord("AS")) return true;
  static const std::set<std::string> kNotAliases = {"END", "NULL", "AND", "OR",
                                                    "NOT", "ASC",  "DESC"};
  if (!last.IsName() && last.kind != TokenKind::kString) return false;
  if (last.kind == TokenKind::kWord && kNotAliases.count(UpperAscii(last.text))) return false;
  if (before.IsWord("COLLATE")) return false;
  return before.IsSymbol(")") || before.IsName() || before.kind == TokenKind::kString ||
         before.kind == TokenKind::kNumber;
}

}  // namespace

std::string QuoteName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string QuoteString(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

std::string TranslateToSqlite(const std::vector<Token>& tokens) {
  return Translator(tokens).Run();
}

std::vector<Token> NameSelectColumns(const std::vector<Token>& tokens) {
  static const std::set<std::string> kListEnds = {"FROM",      "INTO",   "WHERE", "GROUP",
                                                  "ORDER",     "HAVING", "UNION", "EXCEPT",
                                                  "INTERSECT", "FOR",    "OPTION"};
  size_t pos = 0;
  int depth = 0;
  while (pos < tokens.size() && !(depth == 0 && tokens[pos].IsWord("SELECT"))) {
    if (tokens[pos].IsSymbol("(")) ++depth;
    if (tokens[pos].IsSymbol(")")) --depth;
    ++pos;
  }
  if (pos == tokens.size()) return tokens;
  std::vector<Token> out(tokens.begin(), tokens.begin() + static_cast<long>(pos) + 1);
  ++pos;
  while (pos < tokens.size() && (tokens[pos].IsWord("DISTINCT") || tokens[pos].IsWord("ALL")))
    out.push_back(tokens[pos++]);
  if (pos < tokens.size() && tokens[pos].IsWord("TOP")) {
    out.push_back(tokens[pos++]);
    size_t end =
        pos < tokens.size() && tokens[pos].IsSymbol("(") ? AfterGroup(tokens, pos) : pos + 1;
    while (pos < end && pos < tokens.size()) out.push_back(tokens[pos++]);
    while (pos < tokens.size() && (tokens[pos].IsWord("PERCENT") || tokens[pos].IsWord("WITH") ||
                                   tokens[pos].IsWord("TIES")))
      out.push_back(tokens[pos++]);
  }

  std::vector<Token> item;
  auto flush = [&out, &item]() {
    if (item.empty()) return;
    int line = item.front().line;
    bool tsqlAlias =
        item.size() > 2 && item[1].IsSymbol("=") &&
        (item[0].kind == TokenKind::kQuotedName || item[0].kind == TokenKind::kString ||
         (item[0].kind == TokenKind::kWord && item[0].text[0] != '@'));
    if (tsqlAlias) {
      out.insert(out.end(), item.begin() + 2, item.end());
      out.push_back(Synthetic(TokenKind::kWord, "AS", line));
      out.push_back(Synthetic(TokenKind::kQuotedName, item[0].text, line));
    } else if (item.back().IsSymbol("*") || IsColumnReference(item) || EndsWithAlias(item)) {
      if (item.size() >= 2 && item.back().kind == TokenKind::kString) {
        item.back().kind = TokenKind::kQuotedName;  // 'alias' names a column
        if (!item[item.size() - 2].IsWord("AS"))
          item.insert(item.end() - 1, Synthetic(TokenKind::kWord, "AS", line));
      }
      out.insert(out.end(), item.begin(), item.end());
    } else {
      out.insert(out.end(), item.begin(), item.end());
      out.push_back(Synthetic(TokenKind::kWord, "AS", line));
      out.push_back(Synthetic(TokenKind::kQuotedName, kUnnamedColumn, line));
    }
    item.clear();
  };
  depth = 0;
  int caseDepth = 0;
  for (; pos < tokens.size(); ++pos) {
    const Token& token = tokens[pos];
    if (depth == 0 && caseDepth == 0 &&
        (token.kind == TokenKind::kWord && kListEnds.count(UpperAscii(token.text))))
      break;
    if (token.IsSymbol("(")) ++depth;
    if (token.IsSymbol(")")) --depth;
    if (token.IsWord("CASE")) ++caseDepth;
    if (token.IsWord("END") && caseDepth > 0) --caseDepth;
    if (depth == 0 && caseDepth == 0 && token.IsSymbol(",")) {
      flush();
      out.push_back(token);
      continue;
    }
    item.push_back(token);
  }
  flush();
  out.insert(out.end(), tokens.begin() + static_cast<long>(pos), tokens.end());
  return out;
}

std::vector<Token> TranslateIdentityColumns(const std::vector<Token>& tokens) {
  bool hasPrimaryKey = false;
  for (size_t i = 0; i + 1 < tokens.size(); ++i)
    if (tokens[i].IsWord("PRIMARY") && tokens[i + 1].IsWord("KEY")) hasPrimaryKey = true;

  std::vector<Token> out;
  int depth = 0;
  size_t columnStart = 0;  // index in out of the current column's first token
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (token.IsSymbol("(")) ++depth;
    if (token.IsSymbol(")")) --depth;
    if (depth == 1 && (token.IsSymbol("(") || token.IsSymbol(","))) {
      out.push_back(token);
      columnStart = out.size();
      continue;
    }
    if (depth == 1 && token.IsWord("IDENTITY") && columnStart + 1 < out.size()) {
      // The column's type is the word after its name, with its size in parentheses if any.
      size_t typeBegin = columnStart + 1;
      size_t typeEnd = typeBegin + 1;
      if (typeEnd < out.size() && out[typeEnd].IsSymbol("(")) typeEnd = AfterGroup(out, typeEnd);
      out.erase(out.begin() + static_cast<long>(typeBegin),
                out.begin() + static_cast<long>(typeEnd));
      out.insert(out.begin() + static_cast<long>(typeBegin),
                 Synthetic(TokenKind::kWord, "INTEGER", token.line));
      if (!hasPrimaryKey) {
        out.push_back(Synthetic(TokenKind::kWord, "PRIMARY", token.line));
        out.push_back(Synthetic(TokenKind::kWord, "KEY", token.line));
        hasPrimaryKey = true;
      }
      if (i + 1 < tokens.size() && tokens[i + 1].IsSymbol("(")) i = AfterGroup(tokens, i + 1) - 1;
      continue;
    }
    out.push_back(token);
  }
  return out;
}

std::string ReadObjectName(const std::vector<Token>& tokens, size_t& pos) {
  std::string name;
  while (pos < tokens.size()) {
    if (tokens[pos].IsName()) {
      name += tokens[pos].text;
    } else if (tokens[pos].IsSymbol(".")) {
      name += '.';
    } else {
      break;
    }
    ++pos;
    if (pos < tokens.size() && tokens[pos - 1].IsName() && !tokens[pos].IsSymbol(".")) break;
  }
  return name;
}

}  // namespace pelvane::standin
