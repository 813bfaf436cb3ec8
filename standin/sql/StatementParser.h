// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "standin/sql/SqlTokens.h"

namespace pelvane::standin {

enum class StatementShape {
  kSimple,      // tokens hold the statement
  kIf,          // tokens hold the condition; children: the statement, then the ELSE one if any
  kBlock,       // BEGIN ... END; children: the statements
  kRestOfBatch  // CREATE PROCEDURE and the like: everything up to the end of the batch
};

struct Statement {
  StatementShape shape = StatementShape::kSimple;
  std::vector<Token> tokens;
  std::vector<Statement> children;
  int line = 1;
};

struct ParsedBatch {
  std::vector<Statement> statements;
  bool failed = false;
  std::string nearToken;  // what the syntax error is reported near
  int errorLine = 1;
};

/// Splits a batch into statements the way SQL Server reads them without semicolons: a new
/// statement starts at a statement keyword outside parentheses and CASE expressions.
ParsedBatch ParseBatch(const std::vector<Token>& tokens);

/// The text a token stood for in the batch, e.g. "[name]" for a quoted name.
std::string SourceText(const std::string& batch, const Token& token);

}  // namespace pelvane::standin
