// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "standin/sql/BatchExecutor.h"
#include "standin/sql/ProcedureCatalog.h"
#include "standin/sql/SqliteErrorMapping.h"
#include "standin/sql/StatementPlan.h"
#include "standin/sql/TextCase.h"
#include "standin/sql/TsqlTranslator.h"

namespace pelvane::standin {

namespace {

// SQL Server's own limit; it also keeps a procedure that calls itself from exhausting the stack.
constexpr int kMaxNesting = 32;

// Where a procedure's parameters end and its body begins, in the tokens after its name.
struct ProcedureShape {
  size_t as = 0;  // the AS before the body; tokens.size() when missing
  std::optional<std::vector<VariableDeclaration>> parameters;
  std::string near;
};

ProcedureShape ShapeOf(const std::vector<Token>& tokens, size_t begin) {
  ProcedureShape shape;
  int depth = 0;
  size_t optionsAt = tokens.size();
  for (shape.as = begin; shape.as < tokens.size(); ++shape.as) {
    const Token& token = tokens[shape.as];
    if (token.IsSymbol("(")) ++depth;
    if (token.IsSymbol(")")) --depth;
    if (depth == 0 && token.IsWord("WITH") && optionsAt == tokens.size()) optionsAt = shape.as;
    // WITH EXECUTE AS OWNER AS: the first AS belongs to the option.
    if (depth == 0 && token.IsWord("AS") &&
        !(shape.as > 0 && tokens[shape.as - 1].IsWord("EXECUTE")))
      break;
  }
  if (shape.as >= tokens.size()) {
    shape.near = tokens.empty() ? "" : tokens.back().text;
    return shape;
  }
  size_t first = begin, end = std::min(shape.as, optionsAt);
  if (first < end && tokens[first].IsSymbol("(") && tokens[end - 1].IsSymbol(")")) {
    ++first;
    --end;
  }
  shape.parameters = ParseDeclarations(tokens, first, end, shape.near);
  return shape;
}

}  // namespace

BatchExecutor::Flow BatchExecutor::RunProcedureDefinition(const Statement& statement, int line) {
  const std::vector<Token>& tokens = statement.tokens;
  bool create = tokens[0].IsWord("CREATE");
  bool orAlter = tokens.size() > 2 && tokens[1].IsWord("OR");
  size_t pos = orAlter ? 4 : 2;
  std::string written = ReadObjectName(tokens, pos);
  ProcedureShape shape = ShapeOf(tokens, pos);
  if (written.empty() || !shape.parameters) {
    std::string near = written.empty() && pos < tokens.size() ? tokens[pos].text : shape.near;
    EmitError(102, 15, SyntaxErrorNear(near).text, LineOf(line));
    EmitDone(std::nullopt, true);
    return Flow::kAbort;
  }
  // The catalog keeps everything after the name: parameters, options and body.
  StoredProcedure procedure;
  procedure.name = BareObjectName(written);
  procedure.body = text_.substr(tokens[pos - 1].end);
  procedure.lineOffset = scope_.lineOffset + tokens[pos - 1].line - 1;

  // SQL Server compiles the body when the procedure is created.
  const Token& as = tokens[shape.as];
  BatchExecutor checker(session_, events_,
                        ExecutionScope{"", scope_.lineOffset + as.line - 1, scope_.nesting});
  if (!checker.Check(text_.substr(as.end))) return Flow::kAbort;

  CatalogAccess access(session_.context);
  ProcedureCatalog catalog(session_.connection.get());
  Result<std::optional<StoredProcedure>> existing = catalog.Find(procedure.name);
  Result<bool> otherObject = catalog.OtherObjectExists(procedure.name);
  Status stored = !existing.ok() ? existing.status() : otherObject.status();
  if (stored.ok()) {
    bool exists = existing.value().has_value();
    if ((create && !orAlter && exists) || (!exists && otherObject.value())) {
      EmitError(2714, 16,
                "There is already an object named '" + procedure.name + "' in the database.",
                LineOf(line), 6);
      EmitDone(std::nullopt, true);
      return Flow::kNext;
    }
    if (!create && !exists) {
      EmitError(208, 16, "Invalid object name '" + procedure.name + "'.", LineOf(line));
      EmitDone(std::nullopt, true);
      return Flow::kNext;
    }
    stored = exists ? catalog.Replace(procedure) : catalog.Create(procedure);
  }
  if (!stored.ok()) {
    EmitError(50000 + (stored.number() & 0xff), 16, stored.message(), LineOf(line));
    EmitDone(std::nullopt, true);
    return Flow::kNext;
  }
  EmitDone(std::nullopt);
  return Flow::kNext;
}

BatchExecutor::Flow BatchExecutor::RunDropProcedure(const std::vector<Token>& tokens, int line) {
  size_t pos = 2;
  bool ifExists = UpperWordAt(tokens, 2) == "IF" && UpperWordAt(tokens, 3) == "EXISTS";
  if (ifExists) pos = 4;
  CatalogAccess access(session_.context);
  ProcedureCatalog catalog(session_.connection.get());
  bool failed = false;
  while (pos < tokens.size()) {
    std::string written = ReadObjectName(tokens, pos);
    if (written.empty()) {
      EmitError(102, 15, SyntaxErrorNear(tokens[pos].text).text, LineOf(line));
      EmitDone(std::nullopt, true);
      return Flow::kAbort;
    }
    Result<std::optional<StoredProcedure>> existing = catalog.Find(BareObjectName(written));
    Status dropped = !existing.ok()     ? existing.status()
                     : existing.value() ? catalog.Drop(existing.value()->name)
                                        : Status::Ok();
    if (!dropped.ok()) {
      EmitError(50000 + (dropped.number() & 0xff), 16, dropped.message(), LineOf(line));
      failed = true;
    } else if (!existing.value() && !ifExists) {
      EmitError(3701, 11,
                "Cannot drop the procedure '" + written +
                    "', because it does not exist or you do not have permission.",
                LineOf(line), 5);
      failed = true;
    }
    if (pos < tokens.size() && tokens[pos].IsSymbol(",")) ++pos;
  }
  EmitDone(std::nullopt, failed);
  return Flow::kNext;
}

BatchExecutor::Flow BatchExecutor::RunExec(const StatementPlan& plan, int line) {
  std::vector<Value> values;
  if (!plan.sql.empty()) {
    std::optional<std::vector<Value>> row = EvaluateRow(plan.sql, line, plan.lastToken);
    if (!row) return Flow::kNext;
    values = std::move(*row);
  }
  ExecutionResult result;
  if (plan.kind == StatementPlan::Kind::kDynamicExec) {
    BatchExecutor dynamic(session_, events_, ExecutionScope{"", 0, scope_.nesting + 1});
    result = dynamic.Run(ValueText(values.at(0)));
  } else {
    std::vector<ProcedureArgument> arguments;
    for (size_t i = 0; i < values.size(); ++i)
      arguments.push_back(ProcedureArgument{
          i < plan.argumentNames.size() ? plan.argumentNames[i] : std::string(), values[i]});
    result = CallProcedure(plan.procedure, arguments, line);
  }
  if (result.aborted) return Flow::kAbort;
  EmitDone(std::nullopt, result.failed);
  return Flow::kNext;
}

ExecutionResult BatchExecutor::CallProcedure(const std::string& writtenName,
                                             const std::vector<ProcedureArgument>& arguments,
                                             int line) {
  ExecutionResult result;
  std::string name = BareObjectName(writtenName);
  // System procedures take their arguments by position or by their documented names.
  auto argument = [&arguments](size_t position,
                               const char* parameter) -> std::optional<std::string> {
    size_t positional = 0;
    for (const ProcedureArgument& given : arguments) {
      bool match = given.name.empty() ? positional++ == position : given.name == parameter;
      if (match && !std::holds_alternative<std::monostate>(given.value))
        return ValueText(given.value);
      if (match) return std::nullopt;
    }
    return std::nullopt;
  };
  if (EqualsNoCase(name, "sp_password") && session_.server->HasSpPassword()) {
    RpcOutcome outcome = session_.server->ChangePassword(
        argument(0, "@old").value_or(""), argument(1, "@new").value_or(""),
        argument(2, "@loginame").value_or(session_.context.login));
    for (BatchEvent& event : outcome.events) {
      if (auto* error = std::get_if<ErrorMessage>(&event))
        session_.context.lastError = error->number;
      events_.push_back(std::move(event));
    }
    result.returnStatus = outcome.returnStatus;
    result.failed = outcome.returnStatus != 0;
    return result;
  }
  if (scope_.nesting >= kMaxNesting) {
    EmitError(217, 16,
              "Maximum stored procedure, function, trigger, or view nesting level exceeded "
              "(limit 32).",
              LineOf(line));
    EmitDone(std::nullopt, true);
    result.aborted = result.failed = true;
    return result;
  }
  if (EqualsNoCase(name, "sp_executesql")) {
    BatchExecutor dynamic(session_, events_, ExecutionScope{"", 0, scope_.nesting + 1});
    return dynamic.Run(argument(0, "@stmt").value_or(""));
  }
  Result<std::optional<StoredProcedure>> found = std::optional<StoredProcedure>();
  if (session_.connection) {
    CatalogAccess access(session_.context);
    found = ProcedureCatalog(session_.connection.get()).Find(name);
  }
  if (!found.ok() || !found.value()) {
    EmitError(2812, 16, "Could not find stored procedure '" + writtenName + "'.", LineOf(line), 62);
    result.returnStatus = 1;
    result.failed = true;
    return result;
  }
  return RunStoredProcedure(*found.value(), arguments, line);
}

ExecutionResult BatchExecutor::RunStoredProcedure(const StoredProcedure& procedure,
                                                  const std::vector<ProcedureArgument>& arguments,
                                                  int line) {
  ExecutionResult result;
  result.returnStatus = 1;
  result.failed = true;
  Tokenized tokenized = Tokenize(procedure.body);
  ProcedureShape shape;
  if (!tokenized.failed) shape = ShapeOf(tokenized.tokens, 0);
  if (tokenized.failed || !shape.parameters) {
    EmitError(50000, 16, "The stored text of procedure '" + procedure.name + "' cannot be read.",
              LineOf(line));
    return result;
  }
  auto fail = [&](int32_t number, const std::string& text) {
    EmitError(number, 16, text, LineOf(line));
    return result;
  };
  std::vector<const ProcedureArgument*> positional;
  for (const ProcedureArgument& given : arguments) {
    if (!given.name.empty()) {
      bool known = false;
      for (const VariableDeclaration& parameter : *shape.parameters)
        known = known || parameter.name == given.name;
      if (!known)
        return fail(8145, given.name + " is not a parameter for procedure " + procedure.name + ".");
      continue;
    }
    positional.push_back(&given);
  }
  if (positional.size() > shape.parameters->size())
    return fail(8144,
                "Procedure or function " + procedure.name + " has too many arguments specified.");

  VariableMap parameters;
  for (size_t i = 0; i < shape.parameters->size(); ++i) {
    const VariableDeclaration& parameter = (*shape.parameters)[i];
    std::optional<Value> value;
    for (const ProcedureArgument& given : arguments)
      if (given.name == parameter.name) value = given.value;
    if (!value && i < positional.size()) value = positional[i]->value;
    if (!value && !parameter.initial.empty()) {
      std::optional<std::vector<Value>> row =
          EvaluateRow("SELECT " + TranslateToSqlite(parameter.initial), line, parameter.name);
      if (!row) return result;
      value = row->at(0);
    }
    if (!value)
      return fail(201, "Procedure or function '" + procedure.name + "' expects parameter '" +
                           parameter.name + "', which was not supplied.");
    parameters[parameter.name] = Variable{parameter.type, ConvertToType(*value, parameter.type)};
  }

  const Token& as = tokenized.tokens[shape.as];
  BatchExecutor body(
      session_, events_,
      ExecutionScope{procedure.name, procedure.lineOffset + as.line - 1, scope_.nesting + 1});
  body.variables_ = std::move(parameters);
  // SET options a procedure changes end with it.
  bool nocount = session_.nocount;
  result = body.Run(procedure.body.substr(as.end));
  session_.nocount = nocount;
  return result;
}

}  // namespace pelvane::standin
