// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "settings/Status.h"

namespace pelvane::engine {

/// A step's or a server's outcome as the status board shows it.
enum class Verdict { kNotRun, kSucceeded, kFailed };

/// The login check made before each script.
enum class LoginResult { kNotChecked, kAccepted, kRefused, kUnreachable, kOtherError };

/// The steps besides the scripts that a run may include.
enum class StepKind { kSimpleScript, kCopy, kAppend, kService };
constexpr StepKind kAllSteps[] = {StepKind::kSimpleScript, StepKind::kCopy, StepKind::kAppend,
                                  StepKind::kService};

/// One script on one server.
struct ScriptCell {
  Verdict verdict = Verdict::kNotRun;
  long errorNumber = 0;  // the first server error's message number; 0 when none was reported
  int severity = 0;      // its level
  std::string error;     // its text, or why the script failed without one
  double seconds = 0;    // from the login check to the verdict
};

/// The Simple Script query, or the copy, append or service step on one server.
struct StepCell {
  Verdict verdict = Verdict::kNotRun;
  std::string detail;  // the first failure's reason; for the Simple Script query its row count
};

/// What a run does on every server: one cell per script and per included step.
struct ReportColumns {
  std::vector<std::string> scripts;  // the script list, in order
  bool simpleScript = false;
  bool copy = false;
  bool append = false;
  bool service = false;

  bool Includes(StepKind step) const;
  void Include(StepKind step);
};

/// One server of the run.
struct ServerRow {
  int position = 0;  // 1-based position in the Process Servers list
  std::string server;
  Verdict result = Verdict::kNotRun;
  LoginResult login = LoginResult::kNotChecked;
  std::string loginError;
  std::vector<ScriptCell> scripts;  // one per ReportColumns::scripts
  StepCell simpleScript, copy, append, service;
  double seconds = 0;
  /// The run's general error that ended the server's steps; the server failed.
  std::string error;
  /// Its steps have begun and not yet ended; for the status board, never written to a report.
  bool inProgress = false;

  StepCell& Step(StepKind step);
  const StepCell& Step(StepKind step) const;
};

/// The run status board: every server of the run in list order.
struct RunReport {
  ReportColumns columns;
  std::vector<ServerRow> rows;
  double seconds = 0;  // the whole run
};

struct RunSummary {
  int succeeded = 0;
  int failed = 0;
  int notRun = 0;
  double seconds = 0;
};

/// A server failed when its login check or any of its cells failed, or its steps ended on the
/// run's general error; it succeeded when its
/// processing finished and every cell succeeded; otherwise (never reached, or left unfinished)
/// it was not run.
Verdict RowVerdict(const ServerRow& row, const ReportColumns& columns, bool finished);

RunSummary Summarize(const RunReport& report);

/// "38 succeeded, 2 failed, 0 not run in 41.2 s".
std::string SummaryLine(const RunSummary& summary);

/// The servers whose result is a failure, in list order.
std::vector<std::string> FailedServers(const RunReport& report);

/// The servers a run takes again from a report: those that failed and those it never ran.
struct ServersToRunAgain {
  std::vector<std::string> servers;  // as the server list spells them, each once, in report order
  int failed = 0;
  int notRun = 0;
};

/// Every failed and every not-run row of the report, found in `listed` (the server list): by
/// name, or by the name's UTF-8 form, which is how the report holds 8-bit names. A server named
/// by several rows is taken once, as its first row says. A row whose server is not listed is
/// an error that names it.
Result<ServersToRunAgain> ServersToRunAgainFrom(const RunReport& report,
                                                const std::vector<std::string>& listed);

/// ServersToRunAgainFrom a row at a time, for a report read a row at a time.
class RunAgainList {
 public:
  explicit RunAgainList(const std::vector<std::string>& listed);
  /// Takes the row's server when it failed or was not run; an error when it is not listed.
  Status Add(const ServerRow& row);
  ServersToRunAgain Take() { return std::move(again_); }

 private:
  const std::vector<std::string>& listed_;
  std::map<std::string, size_t> byName_, byWrittenName_;  // index into listed_
  std::set<size_t> taken_;
  ServersToRunAgain again_;
};

/// The words the report files use: "SUCCESSFUL", "UNSUCCESSFUL", "NOT RUN".
std::string VerdictName(Verdict verdict);
/// "", "accepted", "refused", "unreachable", "error".
std::string LoginResultName(LoginResult result);
/// "Simple Script", "Copy", "Append", "Service".
std::string StepName(StepKind step);

/// The names above read back, without regard to letter case; none for any other text.
std::optional<Verdict> VerdictFromName(const std::string& name);
std::optional<LoginResult> LoginResultFromName(const std::string& name);
std::optional<StepKind> StepFromName(const std::string& name);

}  // namespace pelvane::engine
