// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/BatchExecutor.h"

#include <algorithm>
#include <cstdlib>

#include "standin/sql/ProcedureCatalog.h"
#include "standin/sql/ResultCollector.h"
#include "standin/sql/SqliteErrorMapping.h"
#include "standin/sql/StatementPlan.h"
#include "standin/sql/TextCase.h"
#include "standin/sql/TsqlTranslator.h"

namespace pelvane::standin {

namespace {

int64_t IntegerOf(const Value& value) {
  if (std::holds_alternative<int64_t>(value)) return std::get<int64_t>(value);
  if (std::holds_alternative<double>(value)) return static_cast<int64_t>(std::get<double>(value));
  if (std::holds_alternative<std::string>(value))
    return std::strtoll(std::get<std::string>(value).c_str(), nullptr, 10);
  return 0;
}

uint8_t Clamp(int64_t value, int64_t low, int64_t high) {
  return static_cast<uint8_t>(std::max(low, std::min(high, value)));
}

// RAISERROR's printf-like substitution: %s, %d, %i, %u, %x with optional flags and width.
std::string FormatRaiserror(const std::string& format, const std::vector<Value>& arguments) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < format.size() &&
           std::string("-+ #0123456789.lhI").find(format[j]) != std::string::npos)
      ++j;
    if (j < format.size() && std::string("sdiuoxX").find(format[j]) != std::string::npos) {
      out += next < arguments.size() ? ValueText(arguments[next]) : "(null)";
      ++next;
      i = j;
    } else {
      out += '%';
    }
  }
  return out;
}

}  // namespace

BatchExecutor::BatchExecutor(SessionState& session, std::vector<BatchEvent>& events,
                             ExecutionScope scope)
    : session_(session), events_(events), scope_(std::move(scope)) {}

void BatchExecutor::EmitError(int32_t number, uint8_t severity, const std::string& text, int line,
                              uint8_t state) {
  ErrorMessage error;
  error.number = number;
  error.severity = severity;
  error.state = state;
  error.text = text;
  error.procedure = scope_.procedure;
  error.line = line;
  events_.push_back(error);
  session_.context.lastError = number;
}

void BatchExecutor::EmitInfo(int32_t number, uint8_t severity, const std::string& text, int line,
                             uint8_t state) {
  InfoMessage info;
  info.number = number;
  info.severity = severity;
  info.state = state;
  info.text = text;
  info.procedure = scope_.procedure;
  info.line = line;
  events_.push_back(info);
}

void BatchExecutor::EmitDone(std::optional<int64_t> rowCount, bool error) {
  StatementDone done;
  done.rowCount = session_.nocount ? std::nullopt : rowCount;
  done.error = error;
  events_.push_back(done);
  if (!error) session_.context.lastError = 0;
  session_.context.rowCount = rowCount.value_or(0);
}

MappedError BatchExecutor::MapError(int code, const std::string& message,
                                    const std::string& lastToken) {
  if (session_.context.deniedName.empty()) return MapSqliteError(code, message, lastToken);
  MappedError hidden;
  hidden.number = 208;
  hidden.text = "Invalid object name '" + session_.context.deniedName + "'.";
  session_.context.deniedName.clear();
  return hidden;
}

bool BatchExecutor::Parse(const std::string& text, std::vector<Statement>& statements) {
  text_ = text;
  Tokenized tokenized = Tokenize(text);
  if (tokenized.failed) {
    EmitError(tokenized.error.number, 15, tokenized.error.text, LineOf(tokenized.error.line));
    EmitDone(std::nullopt, true);
    return false;
  }
  ParsedBatch parsed = ParseBatch(tokenized.tokens);
  if (parsed.failed) {
    MappedError error = SyntaxErrorNear(parsed.nearToken);
    EmitError(error.number, error.severity, error.text, LineOf(parsed.errorLine));
    EmitDone(std::nullopt, true);
    return false;
  }
  statements = std::move(parsed.statements);
  return true;
}

ExecutionResult BatchExecutor::Run(const std::string& text) {
  ExecutionResult result;
  if (!session_.connection) {
    EmitError(50000, 16, session_.connectionProblem, LineOf(1));
    EmitDone(std::nullopt, true);
    result.aborted = true;
    return result;
  }
  std::vector<Statement> statements;
  if (!Parse(text, statements) || !CheckStatements(statements)) {
    result.aborted = true;
    return result;
  }
  for (const Statement& statement : statements) {
    Flow flow = Execute(statement);
    if (flow == Flow::kAbort) result.aborted = true;
    if (flow != Flow::kNext) break;
  }
  result.returnStatus = returnStatus_;
  return result;
}

bool BatchExecutor::Check(const std::string& text) {
  std::vector<Statement> statements;
  return Parse(text, statements) && CheckStatements(statements);
}

bool BatchExecutor::CheckStatements(const std::vector<Statement>& statements) {
  for (const Statement& statement : statements) {
    std::vector<std::string> sqls;
    std::string near;
    std::string lastToken = statement.tokens.empty() ? "" : statement.tokens.back().text;
    if (statement.shape == StatementShape::kIf) {
      sqls.push_back("SELECT CASE WHEN (" + TranslateToSqlite(statement.tokens) +
                     ") THEN 1 ELSE 0 END");
    } else if (statement.shape != StatementShape::kBlock) {
      StatementPlan plan = PlanStatement(statement.tokens, text_);
      near = plan.syntaxNear;
      lastToken = plan.lastToken;
      if (plan.kind != StatementPlan::Kind::kProcedureDefinition && !plan.sql.empty())
        sqls.push_back(plan.sql);
    }
    for (const std::string& sql : sqls) {
      if (!near.empty() || !session_.connection) break;
      sqlite3_stmt* raw = nullptr;
      if (sqlite3_prepare_v2(session_.connection.get(), sql.c_str(), -1, &raw, nullptr) !=
          SQLITE_OK) {
        std::string message = sqlite3_errmsg(session_.connection.get());
        if (IsSyntaxMessage(message)) near = MapError(0, message, lastToken).text;
      }
      sqlite3_finalize(raw);
      session_.context.deniedName.clear();
    }
    if (!near.empty()) {
      // near holds either the token of a malformed statement or SQLite's mapped text.
      std::string text =
          near.rfind("Incorrect syntax near", 0) == 0 ? near : SyntaxErrorNear(near).text;
      EmitError(102, 15, text, LineOf(statement.line));
      EmitDone(std::nullopt, true);
      return false;
    }
    if (!CheckStatements(statement.children)) return false;
  }
  return true;
}

BatchExecutor::Flow BatchExecutor::Execute(const Statement& statement) {
  switch (statement.shape) {
    case StatementShape::kBlock:
      for (const Statement& child : statement.children) {
        Flow flow = Execute(child);
        if (flow != Flow::kNext) return flow;
      }
      return Flow::kNext;
    case StatementShape::kIf: {
      std::string sql =
          "SELECT CASE WHEN (" + TranslateToSqlite(statement.tokens) + ") THEN 1 ELSE 0 END";
      std::optional<std::vector<Value>> row =
          EvaluateRow(sql, statement.line, statement.tokens.back().text);
      if (!row) return Flow::kNext;
      if (IntegerOf(row->at(0)) != 0) return Execute(statement.children.at(0));
      if (statement.children.size() > 1) return Execute(statement.children[1]);
      return Flow::kNext;
    }
    case StatementShape::kRestOfBatch:
    case StatementShape::kSimple:
      return ExecuteSimple(statement);
  }
  return Flow::kNext;
}

BatchExecutor::Flow BatchExecutor::ExecuteSimple(const Statement& statement) {
  StatementPlan plan = PlanStatement(statement.tokens, text_);
  int line = statement.line;
  if (!plan.syntaxNear.empty()) {
    EmitError(102, 15, SyntaxErrorNear(plan.syntaxNear).text, LineOf(line));
    EmitDone(std::nullopt, true);
    return Flow::kAbort;
  }
  using Kind = StatementPlan::Kind;
  switch (plan.kind) {
    case Kind::kSql:
      return RunSql(plan, line);
    case Kind::kUse:
      return RunUse(statement.tokens, line);
    case Kind::kSetNocount:
      session_.nocount = plan.nocount;
      EmitDone(std::nullopt);
      return Flow::kNext;
    case Kind::kIgnored:
      EmitDone(std::nullopt);
      return Flow::kNext;
    case Kind::kPrint:
      return RunPrint(plan, line);
    case Kind::kRaiserror:
      return RunRaiserror(plan, line);
    case Kind::kProcedureDefinition:
      return RunProcedureDefinition(statement, line);
    case Kind::kDropProcedure:
      return RunDropProcedure(statement.tokens, line);
    case Kind::kExec:
    case Kind::kDynamicExec:
      return RunExec(plan, line);
    case Kind::kReturn:
      if (!plan.sql.empty()) {
        std::optional<std::vector<Value>> row = EvaluateRow(plan.sql, line, plan.lastToken);
        if (!row) return Flow::kNext;
        returnStatus_ = static_cast<int32_t>(IntegerOf(row->at(0)));
      }
      return Flow::kReturn;
    case Kind::kDeclare:
      return RunDeclare(plan, line);
    case Kind::kAssign:
      return RunAssignment(plan, line);
    case Kind::kAlterLogin:
      return RunAlterLogin(plan, line);
  }
  return Flow::kNext;
}

BatchExecutor::Flow BatchExecutor::RunSql(const StatementPlan& plan, int line) {
  sqlite3* db = session_.connection.get();
  session_.context.deniedName.clear();
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(db, plan.sql.c_str(), -1, &raw, nullptr);
  StatementHandle statement(raw);
  if (rc != SQLITE_OK) {
    MappedError error = MapError(sqlite3_extended_errcode(db), sqlite3_errmsg(db), plan.lastToken);
    EmitError(error.number, error.severity, error.text, LineOf(line));
    EmitDone(std::nullopt, true);
    return error.syntax ? Flow::kAbort : Flow::kNext;
  }
  if (!statement) {
    EmitDone(std::nullopt);
    return Flow::kNext;
  }
  if (std::optional<std::string> missing = BindVariables(statement.get(), variables_)) {
    EmitError(137, 15, "Must declare the scalar variable \"" + *missing + "\".", LineOf(line));
    EmitDone(std::nullopt, true);
    return Flow::kNext;
  }
  StepResult result = StepAndCollect(db, statement.get());
  if (!result.ok) {
    MappedError error = MapError(result.code, result.message, plan.lastToken);
    EmitError(error.number, error.severity, error.text, LineOf(line));
    EmitDone(std::nullopt, true);
    return Flow::kNext;
  }
  if (result.hasColumns) {
    int64_t rows = static_cast<int64_t>(result.resultSet.rows.size());
    events_.push_back(std::move(result.resultSet));
    EmitDone(rows);
  } else if (plan.dml && plan.countsRows) {
    EmitDone(result.changes);
  } else {
    EmitDone(std::nullopt);
  }
  return Flow::kNext;
}

std::optional<StepResult> BatchExecutor::Query(const std::string& sql, int line,
                                               const std::string& lastToken) {
  sqlite3* db = session_.connection.get();
  session_.context.deniedName.clear();
  Result<StatementHandle> statement = PrepareBound(db, sql, {});
  if (!statement.ok()) {
    MappedError error = MapError(sqlite3_extended_errcode(db), sqlite3_errmsg(db), lastToken);
    EmitError(error.number, error.severity, error.text, LineOf(line));
    EmitDone(std::nullopt, true);
    return std::nullopt;
  }
  if (std::optional<std::string> missing = BindVariables(statement->get(), variables_)) {
    EmitError(137, 15, "Must declare the scalar variable \"" + *missing + "\".", LineOf(line));
    EmitDone(std::nullopt, true);
    return std::nullopt;
  }
  StepResult result = StepAndCollect(db, statement->get());
  if (!result.ok) {
    MappedError error = MapError(result.code, result.message, lastToken);
    EmitError(error.number, error.severity, error.text, LineOf(line));
    EmitDone(std::nullopt, true);
    return std::nullopt;
  }
  return result;
}

std::optional<std::vector<Value>> BatchExecutor::EvaluateRow(const std::string& sql, int line,
                                                             const std::string& lastToken) {
  std::optional<StepResult> result = Query(sql, line, lastToken);
  if (!result) return std::nullopt;
  if (result->resultSet.rows.empty())
    return std::vector<Value>(result->resultSet.columns.size(), std::monostate());
  return std::move(result->resultSet.rows.front());
}

BatchExecutor::Flow BatchExecutor::RunDeclare(const StatementPlan& plan, int line) {
  for (const VariableDeclaration& declaration : plan.declarations)
    variables_[declaration.name] = Variable{declaration.type, std::monostate()};
  if (!plan.sql.empty()) {
    std::optional<std::vector<Value>> row = EvaluateRow(plan.sql, line, plan.lastToken);
    if (!row) return Flow::kNext;
    size_t next = 0;
    for (const VariableDeclaration& declaration : plan.declarations) {
      if (declaration.initial.empty()) continue;
      Variable& variable = variables_[declaration.name];
      variable.value = ConvertToType(row->at(next++), variable.type);
    }
  }
  EmitDone(std::nullopt);
  return Flow::kNext;
}

BatchExecutor::Flow BatchExecutor::RunAssignment(const StatementPlan& plan, int line) {
  for (const std::string& target : plan.targets) {
    if (!variables_.count(target)) {
      EmitError(137, 15, "Must declare the scalar variable \"" + target + "\".", LineOf(line));
      EmitDone(std::nullopt, true);
      return Flow::kNext;
    }
  }
  std::optional<StepResult> result = Query(plan.sql, line, plan.lastToken);
  if (!result) return Flow::kNext;
  const auto& rows = result->resultSet.rows;
  if (!rows.empty()) {
    for (size_t i = 0; i < plan.targets.size() && i < rows.back().size(); ++i) {
      Variable& variable = variables_[plan.targets[i]];
      variable.value = ConvertToType(rows.back()[i], variable.type);
    }
  }
  EmitDone(plan.countsRows ? std::optional<int64_t>(static_cast<int64_t>(rows.size()))
                           : std::nullopt);
  return Flow::kNext;
}

BatchExecutor::Flow BatchExecutor::RunPrint(const StatementPlan& plan, int line) {
  std::optional<std::vector<Value>> row = EvaluateRow(plan.sql, line, plan.lastToken);
  if (!row) return Flow::kNext;
  EmitInfo(0, 0, ValueText(row->at(0)), LineOf(line));
  EmitDone(std::nullopt);
  return Flow::kNext;
}

BatchExecutor::Flow BatchExecutor::RunRaiserror(const StatementPlan& plan, int line) {
  std::optional<std::vector<Value>> row = EvaluateRow(plan.sql, line, plan.lastToken);
  if (!row) return Flow::kNext;
  std::vector<Value> arguments(row->begin() + 3, row->end());
  std::string text = FormatRaiserror(ValueText(row->at(0)), arguments);
  uint8_t severity = Clamp(IntegerOf(row->at(1)), 0, 25);
  int64_t wantedState = IntegerOf(row->at(2));
  uint8_t state = Clamp(wantedState < 0 ? 1 : wantedState, 0, 255);
  if (severity <= 10) {
    // SQL Server sends low severities as informational messages.
    EmitInfo(50000, severity, text, LineOf(line), state);
    EmitDone(std::nullopt);
    return Flow::kNext;
  }
  EmitError(50000, severity, text, LineOf(line), state);
  EmitDone(std::nullopt, true);
  return severity >= 20 ? Flow::kAbort : Flow::kNext;
}

BatchExecutor::Flow BatchExecutor::RunUse(const std::vector<Token>& tokens, int line) {
  size_t pos = 1;
  std::string name = ReadObjectName(tokens, pos);
  std::optional<std::string> canonical = session_.server->FindDatabase(name);
  if (name.empty() || !canonical) {
    EmitError(911, 16,
              "Database '" + name +
                  "' does not exist. Make sure that the name is entered "
                  "correctly.",
              LineOf(line));
    EmitDone(std::nullopt, true);
    return Flow::kNext;
  }
  std::string old = session_.context.database;
  Status switched = SwitchDatabase(session_, *canonical);
  if (!switched.ok()) {
    EmitError(50000 + (switched.number() & 0xff), 16, switched.message(), LineOf(line));
    EmitDone(std::nullopt, true);
    return Flow::kNext;
  }
  events_.push_back(DatabaseChanged{old, *canonical});
  EmitDone(std::nullopt);
  return Flow::kNext;
}

}  // namespace pelvane::standin
