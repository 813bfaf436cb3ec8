#include "engine/SimpleScriptStep.h"

#include <string>
#include <vector>

namespace pelvane::engine {

namespace {

std::string TrimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void LogTableLine(RunContext& run, const std::vector<std::string>& cells) {
  for (const std::string& cell : cells) run.Log(cell + "\t", false);
  run.Log("");
}

}  // namespace

void RunSimpleScript(RunContext& run) {
  const std::string& text = run.inputs.simpleScriptText;
  if (text.empty()) return;
  const ServerContext& s = run.server;
  SqlTarget target{TrimBlanks(s.CurrentServer), s.CurrentLogin, s.CurrentPassword, ""};
  Result<QueryResult> result = run.ports.sql.RunQuery(target, text, kSimpleScriptTimeoutSeconds);
  if (!result) {
    run.Log("Simple Script FAILED on Server: " + s.CurrentServer + ". " +
            result.status().message());
    run.anyFailure = true;
    return;
  }
  if (!result->hasResultSet || result->rows.empty()) return;
  LogTableLine(run, result->columns);
  for (const std::vector<std::string>& row : result->rows) LogTableLine(run, row);
}

}  // namespace pelvane::engine
