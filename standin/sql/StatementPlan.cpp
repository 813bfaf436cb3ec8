// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/StatementPlan.h"

#include <algorithm>

#include "standin/sql/AlterLogin.h"
#include "standin/sql/StatementParser.h"
#include "standin/sql/TextCase.h"
#include "standin/sql/TsqlTranslator.h"

namespace pelvane::standin {

std::string UpperWordAt(const std::vector<Token>& tokens, size_t i) {
  return i < tokens.size() && tokens[i].kind == TokenKind::kWord ? UpperAscii(tokens[i].text)
                                                                 : std::string();
}

namespace {

std::vector<Token> Slice(const std::vector<Token>& tokens, size_t begin, size_t end) {
  begin = std::min(begin, tokens.size());
  end = std::min(end, tokens.size());
  return std::vector<Token>(tokens.begin() + static_cast<long>(begin),
                            tokens.begin() + static_cast<long>(end));
}

// Top-level comma-separated parts of tokens [begin, end).
std::vector<std::vector<Token>> SplitAtCommas(const std::vector<Token>& tokens, size_t begin,
                                              size_t end) {
  std::vector<std::vector<Token>> parts;
  int depth = 0;
  for (size_t i = begin; i < end && i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (token.IsSymbol("(")) ++depth;
    if (token.IsSymbol(")")) --depth;
    if (parts.empty()) parts.emplace_back();
    if (depth == 0 && token.IsSymbol(",")) {
      parts.emplace_back();
      continue;
    }
    parts.back().push_back(token);
  }
  return parts;
}

size_t ClosingParenthesis(const std::vector<Token>& tokens, size_t open) {
  int depth = 0;
  for (size_t i = open; i < tokens.size(); ++i) {
    if (tokens[i].IsSymbol("(")) ++depth;
    if (tokens[i].IsSymbol(")") && --depth == 0) return i;
  }
  return tokens.size();
}

std::string SelectOf(const std::vector<std::vector<Token>>& expressions) {
  std::string sql = "SELECT ";
  for (size_t i = 0; i < expressions.size(); ++i)
    sql += (i ? ", " : "") + TranslateToSqlite(expressions[i]);
  return sql;
}

}  // namespace

StatementPlan PlanStatement(const std::vector<Token>& tokens, const std::string& batch) {
  StatementPlan plan;
  plan.lastToken = tokens.empty() ? "" : tokens.back().text;
  if (!tokens.empty() && tokens.back().end > tokens.back().begin &&
      tokens.back().end <= batch.size())
    plan.lastToken = SourceText(batch, tokens.back());
  std::string w0 = UpperWordAt(tokens, 0), w1 = UpperWordAt(tokens, 1), w2 = UpperWordAt(tokens, 2);
  using Kind = StatementPlan::Kind;
  auto rest = [&tokens](size_t from) { return Slice(tokens, from, tokens.size()); };

  if (w0 == "DECLARE") {
    plan.kind = Kind::kDeclare;
    auto declarations = ParseDeclarations(tokens, 1, tokens.size(), plan.syntaxNear);
    if (!declarations || declarations->empty()) {
      if (plan.syntaxNear.empty()) plan.syntaxNear = tokens.back().text;
      return plan;
    }
    plan.declarations = std::move(*declarations);
    std::vector<std::vector<Token>> initials;
    for (const VariableDeclaration& declaration : plan.declarations)
      if (!declaration.initial.empty()) initials.push_back(declaration.initial);
    if (!initials.empty()) plan.sql = SelectOf(initials);
  } else if (w0 == "SET" && tokens.size() > 1 && tokens[1].text.rfind("@", 0) == 0) {
    plan.kind = Kind::kAssign;
    if (tokens.size() < 4 || !tokens[2].IsSymbol("=")) {
      plan.syntaxNear = tokens.size() > 2 ? tokens[2].text : tokens[1].text;
      return plan;
    }
    plan.targets.push_back(LowerAscii(tokens[1].text));
    plan.sql = "SELECT " + TranslateToSqlite(rest(3));
    plan.countsRows = false;
  } else if (w0 == "SELECT" && tokens.size() > 3 && tokens[1].text.rfind("@", 0) == 0 &&
             tokens[1].kind == TokenKind::kWord && tokens[2].IsSymbol("=")) {
    // SELECT @a = x, @b = y FROM ...: the last row's values land in the variables.
    plan.kind = Kind::kAssign;
    std::vector<Token> query;
    int depth = 0;
    for (size_t i = 0; i < tokens.size(); ++i) {
      const Token& token = tokens[i];
      if (token.IsSymbol("(")) ++depth;
      if (token.IsSymbol(")")) --depth;
      bool listStart = i > 0 && (tokens[i - 1].IsWord("SELECT") || tokens[i - 1].IsSymbol(","));
      if (depth == 0 && listStart && token.text.rfind("@", 0) == 0 && i + 1 < tokens.size() &&
          tokens[i + 1].IsSymbol("=")) {
        plan.targets.push_back(LowerAscii(token.text));
        ++i;
        continue;
      }
      query.push_back(token);
    }
    plan.sql = TranslateToSqlite(query);
  } else if (w0 == "USE") {
    plan.kind = Kind::kUse;
    if (tokens.size() < 2) plan.syntaxNear = tokens[0].text;
  } else if (w0 == "SET" && w1 == "NOCOUNT") {
    plan.kind = Kind::kSetNocount;
    plan.nocount = w2 == "ON";
    if (w2 != "ON" && w2 != "OFF") plan.syntaxNear = tokens.size() > 2 ? tokens[2].text : "NOCOUNT";
  } else if (w0 == "SET") {
    plan.kind = Kind::kIgnored;  // session options mean nothing to SQLite
  } else if (w0 == "PRINT") {
    plan.kind = Kind::kPrint;
    if (tokens.size() < 2) plan.syntaxNear = tokens[0].text;
    plan.sql = "SELECT " + TranslateToSqlite(rest(1));
  } else if (w0 == "RAISERROR") {
    plan.kind = Kind::kRaiserror;
    size_t close = tokens.size() > 1 && tokens[1].IsSymbol("(") ? ClosingParenthesis(tokens, 1)
                                                                : tokens.size();
    auto arguments = SplitAtCommas(tokens, 2, close);
    if (close == tokens.size() || arguments.size() < 3)
      plan.syntaxNear = close == tokens.size() ? tokens.back().text : tokens[close].text;
    else
      plan.sql = SelectOf(arguments);
  } else if ((w0 == "CREATE" || w0 == "ALTER") &&
             (w1 == "PROC" || w1 == "PROCEDURE" || (w1 == "OR" && w2 == "ALTER"))) {
    plan.kind = Kind::kProcedureDefinition;
  } else if (w0 == "DROP" && (w1 == "PROC" || w1 == "PROCEDURE")) {
    plan.kind = Kind::kDropProcedure;
    if (tokens.size() < 3) plan.syntaxNear = tokens.back().text;
  } else if (w0 == "EXEC" || w0 == "EXECUTE") {
    if (tokens.size() > 1 && tokens[1].IsSymbol("(")) {
      plan.kind = Kind::kDynamicExec;
      size_t close = ClosingParenthesis(tokens, 1);
      plan.sql = "SELECT " + TranslateToSqlite(Slice(tokens, 2, close));
      return plan;
    }
    plan.kind = Kind::kExec;
    size_t pos = 1;
    // EXEC @status = name: the status has nowhere to go without variables.
    if (tokens.size() > 3 && tokens[1].text.rfind("@", 0) == 0 && tokens[2].IsSymbol("=")) pos = 3;
    plan.procedure = ReadObjectName(tokens, pos);
    if (plan.procedure.empty()) {
      plan.syntaxNear = pos < tokens.size() ? tokens[pos].text : tokens.back().text;
      return plan;
    }
    std::vector<std::vector<Token>> arguments;
    for (std::vector<Token>& argument : SplitAtCommas(tokens, pos, tokens.size())) {
      std::string name;
      if (argument.size() > 2 && argument[0].text.rfind("@", 0) == 0 && argument[1].IsSymbol("=")) {
        name = LowerAscii(argument[0].text);
        argument.erase(argument.begin(), argument.begin() + 2);
      }
      plan.argumentNames.push_back(name);
      if (!argument.empty() && (argument.back().IsWord("OUTPUT") || argument.back().IsWord("OUT")))
        argument.pop_back();
      arguments.push_back(argument);
    }
    if (!arguments.empty()) plan.sql = SelectOf(arguments);
  } else if (w0 == "BEGIN" && (w1 == "TRAN" || w1 == "TRANSACTION" || w1 == "DISTRIBUTED")) {
    // Taking the write lock at once spares a later upgrade that could fail under contention.
    plan.sql = "BEGIN IMMEDIATE";
    plan.countsRows = false;
  } else if (w0 == "COMMIT" || w0 == "ROLLBACK") {
    plan.sql = w0;
    plan.countsRows = false;
  } else if (w0 == "SAVE" || w0 == "GRANT" || w0 == "REVOKE" || w0 == "DENY") {
    plan.kind = Kind::kIgnored;
  } else if (w0 == "RETURN") {
    plan.kind = Kind::kReturn;
    if (tokens.size() > 1) plan.sql = "SELECT " + TranslateToSqlite(rest(1));
  } else if (w0 == "TRUNCATE" && w1 == "TABLE") {
    plan.sql = "DELETE FROM " + TranslateToSqlite(rest(2));
    plan.countsRows = false;
  } else if (w0 == "ALTER" && w1 == "LOGIN") {
    PlanAlterLogin(tokens, plan);
  } else if (w0 == "ALTER" && w1 == "TABLE") {
    size_t pos = 2;
    ReadObjectName(tokens, pos);
    std::string next = UpperWordAt(tokens, pos), after = UpperWordAt(tokens, pos + 1);
    bool constraintOnly = next == "WITH" || next == "CHECK" || next == "NOCHECK" ||
                          ((next == "ADD" || next == "DROP") && after == "CONSTRAINT");
    if (constraintOnly)
      plan.kind = Kind::kIgnored;  // SQLite cannot add constraints to a table
    else
      plan.sql = TranslateToSqlite(tokens);
  } else if (w0 == "INSERT" || w0 == "DELETE") {
    std::vector<Token> written = tokens;
    const char* word = w0 == "INSERT" ? "INTO" : "FROM";
    if (tokens.size() > 1 && !tokens[1].IsWord(word)) {
      Token missing = tokens[0];
      missing.text = word;
      missing.begin = missing.end = 0;
      written.insert(written.begin() + 1, missing);
    }
    plan.sql = TranslateToSqlite(written);
    plan.dml = true;
  } else if (w0 == "SELECT" || w0 == "WITH") {
    plan.sql = TranslateToSqlite(NameSelectColumns(tokens));
    plan.dml = w0 == "WITH";
  } else if (w0 == "CREATE" && w1 == "TABLE") {
    std::vector<Token> written = TranslateIdentityColumns(tokens);
    // #name tables live as long as the session, as SQLite's temporary tables do.
    if (tokens.size() > 2 && tokens[2].text.rfind("#", 0) == 0) {
      Token temp = tokens[0];
      temp.text = "TEMP";
      written.insert(written.begin() + 1, temp);
    }
    plan.sql = TranslateToSqlite(written);
  } else {
    plan.sql = TranslateToSqlite(tokens);
    plan.dml = w0 == "UPDATE" || w0 == "MERGE";
  }
  return plan;
}

}  // namespace pelvane::standin
