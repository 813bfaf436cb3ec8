// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RunReport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "engine/JsonText.h"
#include "settings/ProfileText.h"

namespace pelvane::engine {

namespace {

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

/// The step's cell of a row, for the const and the mutable row alike.
template <class Row>
auto& StepOf(Row& row, StepKind step) {
  switch (step) {
    case StepKind::kCopy:
      return row.copy;
    case StepKind::kAppend:
      return row.append;
    case StepKind::kService:
      return row.service;
    case StepKind::kSimpleScript:
      break;
  }
  return row.simpleScript;
}

}  // namespace

bool ReportColumns::Includes(StepKind step) const {
  switch (step) {
    case StepKind::kSimpleScript:
      return simpleScript;
    case StepKind::kCopy:
      return copy;
    case StepKind::kAppend:
      return append;
    case StepKind::kService:
      return service;
  }
  return false;
}

void ReportColumns::Include(StepKind step) {
  switch (step) {
    case StepKind::kSimpleScript:
      simpleScript = true;
      break;
    case StepKind::kCopy:
      copy = true;
      break;
    case StepKind::kAppend:
      append = true;
      break;
    case StepKind::kService:
      service = true;
      break;
  }
}

StepCell& ServerRow::Step(StepKind step) {
  return StepOf(*this, step);
}

const StepCell& ServerRow::Step(StepKind step) const {
  return StepOf(*this, step);
}

Verdict RowVerdict(const ServerRow& row, const ReportColumns& columns, bool finished) {
  bool failed = !row.error.empty() ||
                (row.login != LoginResult::kNotChecked && row.login != LoginResult::kAccepted);
  bool allSucceeded = true;
  auto take = [&](Verdict verdict) {
    failed = failed || verdict == Verdict::kFailed;
    allSucceeded = allSucceeded && verdict == Verdict::kSucceeded;
  };
  for (const ScriptCell& cell : row.scripts) take(cell.verdict);
  for (StepKind step : kAllSteps)
    if (columns.Includes(step)) take(row.Step(step).verdict);
  if (failed) return Verdict::kFailed;
  return finished && allSucceeded ? Verdict::kSucceeded : Verdict::kNotRun;
}

RunSummary Summarize(const RunReport& report) {
  RunSummary summary;
  summary.seconds = report.seconds;
  for (const ServerRow& row : report.rows) {
    if (row.result == Verdict::kSucceeded) ++summary.succeeded;
    if (row.result == Verdict::kFailed) ++summary.failed;
    if (row.result == Verdict::kNotRun) ++summary.notRun;
  }
  return summary;
}

std::string SummaryLine(const RunSummary& summary) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", summary.seconds);
  return std::to_string(summary.succeeded) + " succeeded, " + std::to_string(summary.failed) +
         " failed, " + std::to_string(summary.notRun) + " not run in " + seconds + " s";
}

std::vector<std::string> FailedServers(const RunReport& report) {
  std::vector<std::string> failed;
  for (const ServerRow& row : report.rows)
    if (row.result == Verdict::kFailed) failed.push_back(row.server);
  return failed;
}

RunAgainList::RunAgainList(const std::vector<std::string>& listed) : listed_(listed) {
  for (size_t i = 0; i < listed.size(); ++i) {
    byName_.emplace(listed[i], i);
    byWrittenName_.emplace(ToValidUtf8(listed[i]), i);
  }
}

Status RunAgainList::Add(const ServerRow& row) {
  if (row.result == Verdict::kSucceeded) return Status::Ok();
  const std::string wanted = settings::AsciiUpper(settings::TrimBlanks(row.server));
  auto exact = byName_.find(wanted);
  auto written = byWrittenName_.find(wanted);
  if (exact == byName_.end() && written == byWrittenName_.end())
    return Status::Error(row.server + " is not in the server list.", kInvalidArgument);
  const size_t index = exact != byName_.end() ? exact->second : written->second;
  if (!taken_.insert(index).second) return Status::Ok();
  again_.servers.push_back(listed_[index]);
  ++(row.result == Verdict::kFailed ? again_.failed : again_.notRun);
  return Status::Ok();
}

Result<ServersToRunAgain> ServersToRunAgainFrom(const RunReport& report,
                                                const std::vector<std::string>& listed) {
  RunAgainList again(listed);
  for (const ServerRow& row : report.rows)
    if (Status s = again.Add(row); !s) return s;
  return again.Take();
}

std::string VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kSucceeded:
      return "SUCCESSFUL";
    case Verdict::kFailed:
      return "UNSUCCESSFUL";
    case Verdict::kNotRun:
      break;
  }
  return "NOT RUN";
}

std::string LoginResultName(LoginResult result) {
  switch (result) {
    case LoginResult::kAccepted:
      return "accepted";
    case LoginResult::kRefused:
      return "refused";
    case LoginResult::kUnreachable:
      return "unreachable";
    case LoginResult::kOtherError:
      return "error";
    case LoginResult::kNotChecked:
      break;
  }
  return "";
}

std::string StepName(StepKind step) {
  switch (step) {
    case StepKind::kCopy:
      return "Copy";
    case StepKind::kAppend:
      return "Append";
    case StepKind::kService:
      return "Service";
    case StepKind::kSimpleScript:
      break;
  }
  return "Simple Script";
}

std::optional<Verdict> VerdictFromName(const std::string& name) {
  for (Verdict v : {Verdict::kNotRun, Verdict::kSucceeded, Verdict::kFailed})
    if (SameNoCase(name, VerdictName(v))) return v;
  return std::nullopt;
}

std::optional<LoginResult> LoginResultFromName(const std::string& name) {
  for (LoginResult r : {LoginResult::kNotChecked, LoginResult::kAccepted, LoginResult::kRefused,
                        LoginResult::kUnreachable, LoginResult::kOtherError})
    if (SameNoCase(name, LoginResultName(r))) return r;
  return std::nullopt;
}

std::optional<StepKind> StepFromName(const std::string& name) {
  for (StepKind step : kAllSteps)
    if (SameNoCase(name, StepName(step))) return step;
  return std::nullopt;
}

}  // namespace pelvane::engine
