// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/MergedGrid.h"
#include "engine/RunRecorder.h"
#include "engine/RunReport.h"

namespace pelvane::engine {

/// Fills a RunReport as the run goes. Rows exist from the start, one per server in list order
/// (all not run), so a server only ever writes its own row. Safe to call from any thread.
class ReportRecorder : public RunRecorder {
 public:
  /// Told the position of each row that changed, after the change, outside the lock: the
  /// status board takes a snapshot from there.
  using Listener = std::function<void(int position)>;

  /// Rows for `servers`, the first at list position firstPosition, the next ones after it.
  ReportRecorder(ReportColumns columns, const std::vector<std::string>& servers,
                 int firstPosition = 1, Listener listener = {});

  void ServerStarted(int position) override;
  void LoginChecked(int position, LoginResult result, const std::string& error) override;
  void ScriptDone(int position, size_t script, const ScriptCell& cell) override;
  void StepDone(int position, StepKind step, const StepCell& cell) override;
  void ServerFailed(int position, const std::string& error) override;
  void ServerFinished(int position, double seconds) override;
  void QueryColumns(int position, const std::vector<std::string>& names) override;
  void QueryRow(int position, const std::vector<std::string>& values) override;

  /// The whole run's time, for the summary line.
  void SetRunSeconds(double seconds);

  /// A copy of the report as it stands.
  RunReport Snapshot() const;

  /// The Simple Script results so far, in list order, for the merged grid.
  std::vector<ServerQueryResult> QueryResults() const;

 private:
  /// Applies change to the row at position (no row: nothing), recomputes its result and tells
  /// the listener.
  void Change(int position, const std::function<void(ServerRow&)>& change);

  mutable std::mutex mutex_;
  RunReport report_;
  std::vector<QueryResult> queryResults_;  // per row
  std::vector<char> finished_;             // per row; char, not bool, so each is a plain object
  int firstPosition_;
  Listener listener_;
};

}  // namespace pelvane::engine
