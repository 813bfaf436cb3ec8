// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/sql/SqlTokens.h"
#include "standin/sql/Variables.h"

namespace pelvane::standin {

/// What one simple statement asks for, decided from its tokens before anything runs.
struct StatementPlan {
  enum class Kind {
    kSql,
    kUse,
    kSetNocount,
    kIgnored,
    kPrint,
    kRaiserror,
    kProcedureDefinition,
    kDropProcedure,
    kExec,
    kDynamicExec,
    kReturn,
    kDeclare,
    kAssign,
    kAlterLogin
  };
  Kind kind = Kind::kSql;
  std::string sql;         // what SQLite compiles for the statement; empty when nothing
  std::string syntaxNear;  // set when the statement is malformed
  std::string lastToken;   // for SQLite's "incomplete input"
  std::string procedure;   // EXEC's procedure as written
  bool dml = false;        // reports the rows it changed
  bool countsRows = true;
  bool nocount = false;
  std::vector<VariableDeclaration> declarations;  // DECLARE
  std::vector<std::string> targets;               // SET @x = / SELECT @x = ...
  std::vector<std::string> argumentNames;         // EXEC's arguments, "" when positional
  std::vector<std::string> passwords;             // ALTER LOGIN: the new one, then any old one
};

/// Plans one simple statement of the batch (its text, for error messages quoting a token).
StatementPlan PlanStatement(const std::vector<Token>& tokens, const std::string& batch);

/// The upper-case word at i, or "" when there is none or it is not a word.
std::string UpperWordAt(const std::vector<Token>& tokens, size_t i);

}  // namespace pelvane::standin
