// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standin/sql/BatchEvents.h"
#include "standin/sql/ProcedureCatalog.h"
#include "standin/sql/ResultCollector.h"
#include "standin/sql/SessionState.h"
#include "standin/sql/SqliteErrorMapping.h"
#include "standin/sql/StatementParser.h"
#include "standin/sql/Variables.h"

namespace pelvane::standin {

/// Where a batch runs: at the top, or as the body of a procedure (named on its messages,
/// with line numbers counted from the batch that created it).
struct ExecutionScope {
  std::string procedure;
  int lineOffset = 0;
  int nesting = 0;  // procedure calls deep
};

struct ExecutionResult {
  int32_t returnStatus = 0;
  bool aborted = false;  // a compile error or a fatal severity stopped the batch
  bool failed = false;   // the call itself failed (procedure missing, password refused)
};

struct StatementPlan;

/// An argument of EXEC or of a remote procedure call; name is "" when given by position.
struct ProcedureArgument {
  std::string name;
  Value value;
};

/// Runs T-SQL text statement by statement on the session's SQLite connection, appending what
/// happens to events.
class BatchExecutor {
 public:
  BatchExecutor(SessionState& session, std::vector<BatchEvent>& events, ExecutionScope scope);

  /// Runs a whole batch: nothing runs when any statement has a syntax error.
  ExecutionResult Run(const std::string& text);

  /// Compiles a batch without running it; reports the first syntax error as events.
  bool Check(const std::string& text);

  /// Runs a stored procedure (or sp_password and sp_executesql) with evaluated arguments.
  ExecutionResult CallProcedure(const std::string& writtenName,
                                const std::vector<ProcedureArgument>& arguments, int line);

 private:
  enum class Flow { kNext, kAbort, kReturn };

  bool Parse(const std::string& text, std::vector<Statement>& statements);
  bool CheckStatements(const std::vector<Statement>& statements);
  Flow Execute(const Statement& statement);
  Flow ExecuteSimple(const Statement& statement);

  Flow RunSql(const StatementPlan& plan, int line);
  Flow RunPrint(const StatementPlan& plan, int line);
  Flow RunRaiserror(const StatementPlan& plan, int line);
  Flow RunUse(const std::vector<Token>& tokens, int line);
  Flow RunProcedureDefinition(const Statement& statement, int line);
  Flow RunDropProcedure(const std::vector<Token>& tokens, int line);
  Flow RunExec(const StatementPlan& plan, int line);

  /// Evaluates "SELECT ..." for one row of values; reports a failure as an error event.
  Flow RunDeclare(const StatementPlan& plan, int line);
  Flow RunAssignment(const StatementPlan& plan, int line);
  ExecutionResult RunStoredProcedure(const StoredProcedure& procedure,
                                     const std::vector<ProcedureArgument>& arguments, int line);

  /// Prepares, binds the variables and steps a statement; reports a failure as an error.
  std::optional<StepResult> Query(const std::string& sql, int line, const std::string& lastToken);
  std::optional<std::vector<Value>> EvaluateRow(const std::string& sql, int line,
                                                const std::string& lastToken);
  /// SQLite's failure in SQL Server's terms; a hidden table reads as a missing one.
  MappedError MapError(int code, const std::string& message, const std::string& lastToken);
  void EmitError(int32_t number, uint8_t severity, const std::string& text, int line,
                 uint8_t state = 1);
  void EmitInfo(int32_t number, uint8_t severity, const std::string& text, int line,
                uint8_t state = 1);
  void EmitDone(std::optional<int64_t> rowCount, bool error = false);
  Flow RunAlterLogin(const StatementPlan& plan, int line);
  int LineOf(int line) const { return line + scope_.lineOffset; }

  SessionState& session_;
  std::vector<BatchEvent>& events_;
  ExecutionScope scope_;
  std::string text_;  // the batch being run, for procedure bodies
  int32_t returnStatus_ = 0;
  VariableMap variables_;  // DECLAREd in this batch, or the procedure's parameters
};

}  // namespace pelvane::standin
