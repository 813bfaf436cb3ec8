// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SimpleScriptStep.h"

#include <string>
#include <vector>

#include "engine/BrowserTimeout.h"
#include "settings/ProfileText.h"

namespace pelvane::engine {

namespace {

/// One line of the table, each cell followed by a tab, logged as one message: a large table
/// is held (side by side, until its turn) as one piece per line.
void LogTableLine(RunContext& run, const std::vector<std::string>& cells) {
  std::string line;
  for (const std::string& cell : cells) (line += cell) += '\t';
  run.Log(line);
}

/// Logs and records the table as its rows arrive: the column names just before the first row,
/// so that a table without rows logs nothing.
class LoggedTable : public QueryRowSink {
 public:
  explicit LoggedTable(RunContext& run) : run_(run) {}

  void Columns(const std::vector<std::string>& names) override {
    columns_ = names;
    run_.Recorder().QueryColumns(run_.server.position, names);
  }
  void Row(const std::vector<std::string>& values) override {
    if (rows_++ == 0) LogTableLine(run_, columns_);
    LogTableLine(run_, values);
    run_.Recorder().QueryRow(run_.server.position, values);
  }
  size_t rows() const { return rows_; }

 private:
  RunContext& run_;
  std::vector<std::string> columns_;
  size_t rows_ = 0;
};

}  // namespace

void RunSimpleScript(RunContext& run) {
  const std::string& text = run.inputs.simpleScriptText;
  if (text.empty()) return;
  const ServerContext& s = run.server;
  SqlTarget target{std::string(settings::TrimBlanks(s.CurrentServer)),
                   s.CurrentLogin,
                   s.CurrentPassword,
                   "",
                   s.encryption,
                   StoredBrowserTimeoutMs(run.store)};
  LoggedTable table(run);
  if (Status done = run.ports.sql.StreamQuery(target, text, kSimpleScriptTimeoutSeconds, table);
      !done) {
    run.Log("Simple Script FAILED on Server: " + s.CurrentServer + ". " + done.message());
    run.anyFailure = true;
    run.Recorder().StepDone(s.position, StepKind::kSimpleScript,
                            {Verdict::kFailed, done.message()});
    return;
  }
  const size_t rows = table.rows();
  run.Recorder().StepDone(
      s.position, StepKind::kSimpleScript,
      {Verdict::kSucceeded, std::to_string(rows) + (rows == 1 ? " row" : " rows")});
}

}  // namespace pelvane::engine
