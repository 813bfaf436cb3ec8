// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/StatementParser.h"

#include <set>

#include "standin/sql/TextCase.h"

namespace pelvane::standin {

namespace {

const std::set<std::string>& StatementKeywords() {
  static const std::set<std::string> kKeywords = {
      "SELECT", "INSERT", "UPDATE",    "DELETE", "CREATE",  "ALTER",    "DROP",    "USE",
      "SET",    "PRINT",  "RAISERROR", "EXEC",   "EXECUTE", "IF",       "ELSE",    "BEGIN",
      "END",    "COMMIT", "ROLLBACK",  "RETURN", "DECLARE", "TRUNCATE", "GRANT",   "REVOKE",
      "DENY",   "WHILE",  "WITH",      "SAVE",   "BREAK",   "CONTINUE", "WAITFOR", "MERGE"};
  return kKeywords;
}

std::string Upper(const Token& token) {
  return token.kind == TokenKind::kWord ? UpperAscii(token.text) : std::string();
}

/// What a simple statement has seen so far; decides whether a keyword belongs to it.
struct StatementScan {
  std::string first;  // the statement's first word, upper case
  int depth = 0;
  int caseDepth = 0;
  bool seenSet = false;
  bool seenValues = false;
  bool seenSelect = false;
  bool seenTo = false;
  bool cteBodyUsed = false;
};

class Parser {
 public:
  explicit Parser(const std::vector<Token>& tokens) : tokens_(tokens) {}

  ParsedBatch Run() {
    ParsedBatch batch;
    while (!failed_) {
      SkipSemicolons();
      if (AtEnd()) break;
      Statement statement = ParseStatement();
      if (!failed_) batch.statements.push_back(std::move(statement));
    }
    batch.failed = failed_;
    batch.nearToken = nearToken_;
    batch.errorLine = errorLine_;
    return batch;
  }

 private:
  bool AtEnd() const { return pos_ >= tokens_.size(); }
  const Token& Current() const { return tokens_[pos_]; }
  std::string UpperAt(size_t i) const { return i < tokens_.size() ? Upper(tokens_[i]) : ""; }

  void SkipSemicolons() {
    while (!AtEnd() && Current().IsSymbol(";")) ++pos_;
  }

  void Fail(const Token& near) {
    if (failed_) return;
    failed_ = true;
    nearToken_ = near.text;
    errorLine_ = near.line;
  }

  Statement ParseStatement() {
    const Token& first = Current();
    std::string word = Upper(first);
    Statement statement;
    statement.line = first.line;
    if (word == "IF") return ParseIf();
    if (word == "BEGIN" && !IsBeginTransaction()) return ParseBlock();
    if (word == "ELSE" || word == "END") {
      Fail(first);
      return statement;
    }
    if (IsRestOfBatch()) {
      statement.shape = StatementShape::kRestOfBatch;
      statement.tokens.assign(tokens_.begin() + static_cast<long>(pos_), tokens_.end());
      pos_ = tokens_.size();
      return statement;
    }
    statement.tokens = ReadSimple();
    return statement;
  }

  bool IsBeginTransaction() const {
    std::string next = UpperAt(pos_ + 1);
    return next == "TRAN" || next == "TRANSACTION" || next == "DISTRIBUTED";
  }

  // CREATE PROCEDURE, VIEW, FUNCTION and TRIGGER take the rest of the batch as their body.
  bool IsRestOfBatch() const {
    std::string word = UpperAt(pos_);
    if (word != "CREATE" && word != "ALTER") return false;
    size_t next = pos_ + 1;
    if (UpperAt(next) == "OR" && UpperAt(next + 1) == "ALTER") next += 2;
    std::string object = UpperAt(next);
    return object == "PROC" || object == "PROCEDURE" || object == "VIEW" || object == "FUNCTION" ||
           object == "TRIGGER";
  }

  Statement ParseIf() {
    Statement statement;
    statement.shape = StatementShape::kIf;
    statement.line = Current().line;
    const Token& ifToken = Current();
    ++pos_;
    StatementScan scan;
    scan.first = "IF";
    while (!AtEnd() && !(scan.depth == 0 && scan.caseDepth == 0 && EndsCondition())) {
      Track(scan);
      statement.tokens.push_back(Current());
      ++pos_;
    }
    SkipSemicolons();
    if (statement.tokens.empty() || AtEnd()) {
      Fail(AtEnd() ? (statement.tokens.empty() ? ifToken : statement.tokens.back()) : Current());
      return statement;
    }
    statement.children.push_back(ParseStatement());
    SkipSemicolons();
    if (!failed_ && !AtEnd() && Current().IsWord("ELSE")) {
      const Token& elseToken = Current();
      ++pos_;
      SkipSemicolons();
      if (AtEnd()) {
        Fail(elseToken);
        return statement;
      }
      statement.children.push_back(ParseStatement());
    }
    return statement;
  }

  bool EndsCondition() const {
    std::string word = UpperAt(pos_);
    return StatementKeywords().count(word) && (pos_ == 0 || !tokens_[pos_ - 1].IsSymbol("."));
  }

  Statement ParseBlock() {
    Statement statement;
    statement.shape = StatementShape::kBlock;
    statement.line = Current().line;
    const Token& begin = Current();
    ++pos_;
    if (!AtEnd() && (Current().IsWord("TRY") || Current().IsWord("CATCH"))) ++pos_;
    while (!failed_) {
      SkipSemicolons();
      if (AtEnd()) {
        Fail(begin);
        break;
      }
      if (Current().IsWord("END")) {
        ++pos_;
        if (!AtEnd() && (Current().IsWord("TRY") || Current().IsWord("CATCH"))) ++pos_;
        break;
      }
      statement.children.push_back(ParseStatement());
    }
    return statement;
  }

  void Track(StatementScan& scan) const {
    const Token& token = Current();
    if (token.IsSymbol("(")) ++scan.depth;
    if (token.IsSymbol(")") && scan.depth > 0) --scan.depth;
    std::string word = Upper(token);
    if (word == "CASE") ++scan.caseDepth;
    if (word == "END" && scan.caseDepth > 0) --scan.caseDepth;
    if (scan.depth == 0 && scan.caseDepth == 0) {
      if (word == "SET") scan.seenSet = true;
      if (word == "VALUES") scan.seenValues = true;
      if (word == "SELECT") scan.seenSelect = true;
      if (word == "TO" || word == "FROM") scan.seenTo = true;
    }
  }

  std::vector<Token> ReadSimple() {
    std::vector<Token> tokens;
    StatementScan scan;
    scan.first = Upper(Current());
    Track(scan);
    tokens.push_back(Current());
    ++pos_;
    while (!AtEnd() && !Current().IsSymbol(";")) {
      if (scan.depth == 0 && scan.caseDepth == 0 && StartsNewStatement(scan)) break;
      Track(scan);
      tokens.push_back(Current());
      ++pos_;
    }
    return tokens;
  }

  bool StartsNewStatement(StatementScan& scan) const {
    std::string word = UpperAt(pos_);
    if (!StatementKeywords().count(word)) return false;
    const Token& previous = tokens_[pos_ - 1];
    std::string before = Upper(previous);
    if (previous.IsSymbol(".")) return false;
    std::string next = UpperAt(pos_ + 1);
    if (scan.first == "GRANT" || scan.first == "REVOKE" || scan.first == "DENY") return scan.seenTo;
    // ON DELETE SET NULL, ON UPDATE CASCADE in foreign keys.
    if (before == "ON" && (word == "DELETE" || word == "UPDATE")) return false;
    if (pos_ >= 2 && Upper(tokens_[pos_ - 2]) == "ON" && (before == "DELETE" || before == "UPDATE"))
      return false;
    // DROP TABLE IF EXISTS x
    if (word == "IF" && next == "EXISTS" &&
        (before == "TABLE" || before == "PROC" || before == "PROCEDURE" || before == "VIEW" ||
         before == "INDEX" || before == "FUNCTION" || before == "TRIGGER" || before == "DATABASE"))
      return false;
    if ((word == "DROP" || word == "ALTER" || word == "CREATE") &&
        (next == "COLUMN" || next == "CONSTRAINT"))
      return false;
    if (word == "SELECT" && (before == "UNION" || before == "ALL" || before == "EXCEPT" ||
                             before == "INTERSECT" || before == "FOR"))
      return false;
    if (word == "WITH") {
      // Only "WITH name AS (" or "WITH name (columns) AS (" opens a statement; WITH (NOLOCK),
      // WITH NOWAIT and WITH CHECK belong to the statement they follow.
      const bool namedNext = pos_ + 1 < tokens_.size() && tokens_[pos_ + 1].IsName();
      return namedNext && (UpperAt(pos_ + 2) == "AS" ||
                           (pos_ + 2 < tokens_.size() && tokens_[pos_ + 2].IsSymbol("(")));
    }
    if (scan.first == "UPDATE" && word == "SET" && !scan.seenSet) return false;
    if (scan.first == "INSERT" && (word == "SELECT" || word == "EXEC" || word == "EXECUTE") &&
        !scan.seenValues && !scan.seenSelect)
      return false;
    if (scan.first == "WITH" && !scan.cteBodyUsed &&
        (word == "SELECT" || word == "INSERT" || word == "UPDATE" || word == "DELETE" ||
         word == "MERGE")) {
      scan.cteBodyUsed = true;
      return false;
    }
    return true;
  }

  const std::vector<Token>& tokens_;
  size_t pos_ = 0;
  bool failed_ = false;
  std::string nearToken_;
  int errorLine_ = 1;
};

}  // namespace

ParsedBatch ParseBatch(const std::vector<Token>& tokens) {
  return Parser(tokens).Run();
}

std::string SourceText(const std::string& batch, const Token& token) {
  return batch.substr(token.begin, token.end - token.begin);
}

}  // namespace pelvane::standin
