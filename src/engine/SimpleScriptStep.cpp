#include "engine/SimpleScriptStep.h"

#include <string>
#include <vector>

#include "settings/ProfileText.h"

namespace pelvane::engine {

namespace {

void LogTableLine(RunContext& run, const std::vector<std::string>& cells) {
  for (const std::string& cell : cells) run.Log(cell + "\t", false);
  run.Log("");
}

}  // namespace

void RunSimpleScript(RunContext& run) {
  const std::string& text = run.inputs.simpleScriptText;
  if (text.empty()) return;
  const ServerContext& s = run.server;
  SqlTarget target{std::string(settings::TrimBlanks(s.CurrentServer)), s.CurrentLogin,
                   s.CurrentPassword, ""};
  Result<QueryResult> result = run.ports.sql.RunQuery(target, text, kSimpleScriptTimeoutSeconds);
  if (!result) {
    run.Log("Simple Script FAILED on Server: " + s.CurrentServer + ". " +
            result.status().message());
    run.anyFailure = true;
    run.Recorder().StepDone(s.position, StepKind::kSimpleScript,
                            {Verdict::kFailed, result.status().message()});
    return;
  }
  run.Recorder().QueryAnswered(s.position, *result);
  const size_t rows = result->hasResultSet ? result->rows.size() : 0;
  run.Recorder().StepDone(
      s.position, StepKind::kSimpleScript,
      {Verdict::kSucceeded, std::to_string(rows) + (rows == 1 ? " row" : " rows")});
  if (!result->hasResultSet || result->rows.empty()) return;
  LogTableLine(run, result->columns);
  for (const std::vector<std::string>& row : result->rows) LogTableLine(run, row);
}

}  // namespace pelvane::engine
