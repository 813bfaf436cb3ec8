// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/StatementProcedures.h"

#include <cctype>
#include <vector>

#include "standin/tds/ParameterSubstitution.h"

namespace pelvane::standin::tds {
namespace {

// "master.sys.sp_executesql" and "SP_EXECUTESQL" name the same procedure.
std::string BareName(const std::string& name) {
  std::string bare =
      name.substr(name.find_last_of('.') == std::string::npos ? 0 : name.find_last_of('.') + 1);
  for (char& c : bare) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return bare;
}

std::string TextAt(const std::vector<RpcParameter>& p, size_t i) {
  return i < p.size() && p[i].value ? *p[i].value : std::string();
}

std::vector<RpcParameter> From(const std::vector<RpcParameter>& p, size_t first) {
  return first < p.size() ? std::vector<RpcParameter>(p.begin() + static_cast<long>(first), p.end())
                          : std::vector<RpcParameter>();
}

ErrorMessage Error(int32_t number, std::string text) {
  ErrorMessage error;
  error.number = number;
  error.text = std::move(text);
  return error;
}

ErrorMessage MissingParameter(const std::string& procedure, const std::string& parameter) {
  return Error(201, "Procedure or function '" + procedure + "' expects parameter '" + parameter +
                        "', which was not supplied.");
}

}  // namespace

bool StatementProcedures::Handles(const std::string& procedureName) {
  std::string name = BareName(procedureName);
  return name == "sp_executesql" || name == "sp_prepare" || name == "sp_prepexec" ||
         name == "sp_execute" || name == "sp_unprepare";
}

int32_t StatementProcedures::Prepare(const std::string& declaration, const std::string& statement) {
  int32_t handle = nextHandle_++;
  prepared_[handle] = Prepared{declaration, statement};
  return handle;
}

void StatementProcedures::Run(const std::string& statement, const std::string& declaration,
                              const std::vector<RpcParameter>& values, Session& session,
                              ReplyBuilder& reply, const std::vector<ReturnValue>& outputs) {
  Result<std::string> text = SubstituteParameters(statement, declaration, values);
  RpcOutcome outcome;
  if (!text) {
    outcome.events.push_back(Error(8144, text.status().message() + "."));
    outcome.returnStatus = 1;
  } else {
    outcome.events = session.RunBatch(*text).events;
  }
  reply.AddProcedure(outcome, outputs);
}

void StatementProcedures::Call(const RpcCall& call, Session& session, ReplyBuilder& reply) {
  const std::string name = BareName(call.procedureName);
  const std::vector<RpcParameter>& p = call.parameters;
  auto outputName = [&](size_t i) { return i < p.size() ? p[i].name : std::string(); };

  if (name == "sp_executesql") {
    if (p.empty() || !p[0].value) return reply.AddFailedProcedure(MissingParameter(name, "@stmt"));
    return Run(*p[0].value, TextAt(p, 1), From(p, 2), session, reply, {});
  }
  if (name == "sp_prepexec" || name == "sp_prepare") {
    if (p.size() < 3 || !p[2].value)
      return reply.AddFailedProcedure(MissingParameter(name, "@stmt"));
    int32_t handle = Prepare(TextAt(p, 1), *p[2].value);
    std::vector<ReturnValue> outputs{{0, outputName(0), handle}};
    if (name == "sp_prepare") return reply.AddProcedure(RpcOutcome{}, outputs);
    return Run(*p[2].value, TextAt(p, 1), From(p, 3), session, reply, outputs);
  }
  if (p.empty() || !p[0].value) return reply.AddFailedProcedure(MissingParameter(name, "@handle"));
  const std::string handleText = *p[0].value;
  int32_t handle = 0;
  try {
    handle = std::stoi(handleText);
  } catch (const std::exception&) {
    handle = 0;
  }
  auto found = prepared_.find(handle);
  if (found == prepared_.end()) {
    return reply.AddFailedProcedure(
        Error(8179, "Could not find prepared statement with handle " + handleText + "."));
  }
  if (name == "sp_unprepare") {
    prepared_.erase(found);
    return reply.AddProcedure(RpcOutcome{}, {});
  }
  Run(found->second.statement, found->second.declaration, From(p, 1), session, reply, {});
}

}  // namespace pelvane::standin::tds
