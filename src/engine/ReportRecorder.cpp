// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReportRecorder.h"

#include <utility>

namespace pelvane::engine {

ReportRecorder::ReportRecorder(ReportColumns columns, const std::vector<std::string>& servers,
                               int firstPosition, Listener listener)
    : queryResults_(servers.size()),
      finished_(servers.size(), 0),
      firstPosition_(firstPosition),
      listener_(std::move(listener)) {
  report_.columns = std::move(columns);
  report_.rows.reserve(servers.size());
  for (size_t i = 0; i < servers.size(); ++i) {
    ServerRow row;
    row.position = firstPosition + static_cast<int>(i);
    row.server = servers[i];
    row.scripts.resize(report_.columns.scripts.size());
    report_.rows.push_back(std::move(row));
  }
}

void ReportRecorder::Change(int position, const std::function<void(ServerRow&)>& change) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const long index = static_cast<long>(position) - firstPosition_;
    if (index < 0 || index >= static_cast<long>(report_.rows.size())) return;
    ServerRow& row = report_.rows[static_cast<size_t>(index)];
    change(row);
    row.result = RowVerdict(row, report_.columns, finished_[static_cast<size_t>(index)] != 0);
  }
  if (listener_) listener_(position);
}

void ReportRecorder::ServerStarted(int position) {
  Change(position, [](ServerRow& row) { row.inProgress = true; });
}

void ReportRecorder::LoginChecked(int position, LoginResult result, const std::string& error) {
  Change(position, [&](ServerRow& row) {
    const bool failureKept =
        row.login != LoginResult::kNotChecked && row.login != LoginResult::kAccepted;
    if (failureKept) return;
    row.login = result;
    row.loginError = result == LoginResult::kAccepted ? "" : error;
  });
}

void ReportRecorder::ScriptDone(int position, size_t script, const ScriptCell& cell) {
  Change(position, [&](ServerRow& row) {
    if (script < row.scripts.size()) row.scripts[script] = cell;
  });
}

void ReportRecorder::StepDone(int position, StepKind step, const StepCell& cell) {
  Change(position, [&](ServerRow& row) {
    StepCell& kept = row.Step(step);
    if (kept.verdict == Verdict::kFailed) return;
    kept = cell;
  });
}

void ReportRecorder::ServerFailed(int position, const std::string& error) {
  Change(position, [&](ServerRow& row) {
    if (row.error.empty()) row.error = error;
    row.inProgress = false;
  });
}

void ReportRecorder::ServerFinished(int position, double seconds) {
  Change(position, [&](ServerRow& row) {
    row.seconds = seconds;
    row.inProgress = false;
    finished_[static_cast<size_t>(row.position - firstPosition_)] = 1;
  });
}

void ReportRecorder::QueryColumns(int position, const std::vector<std::string>& names) {
  std::lock_guard<std::mutex> lock(mutex_);
  const long index = static_cast<long>(position) - firstPosition_;
  if (index < 0 || index >= static_cast<long>(queryResults_.size())) return;
  queryResults_[static_cast<size_t>(index)] = QueryResult{true, names, {}};
}

void ReportRecorder::QueryRow(int position, const std::vector<std::string>& values) {
  std::lock_guard<std::mutex> lock(mutex_);
  const long index = static_cast<long>(position) - firstPosition_;
  if (index < 0 || index >= static_cast<long>(queryResults_.size())) return;
  queryResults_[static_cast<size_t>(index)].rows.push_back(values);
}

std::vector<ServerQueryResult> ReportRecorder::QueryResults() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<ServerQueryResult> results;
  results.reserve(queryResults_.size());
  for (size_t i = 0; i < queryResults_.size(); ++i)
    results.push_back({report_.rows[i].server, queryResults_[i]});
  return results;
}

void ReportRecorder::SetRunSeconds(double seconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  report_.seconds = seconds;
}

RunReport ReportRecorder::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return report_;
}

}  // namespace pelvane::engine
