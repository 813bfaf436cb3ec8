// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "engine/MergedGrid.h"
#include "engine/MessageLog.h"
#include "engine/ProgramState.h"
#include "engine/ReportRecorder.h"
#include "engine/RunContext.h"
#include "engine/RunControl.h"
#include "engine/VeskRun.h"
#include "settings/SettingsStore.h"

namespace pelvane::engine {

/// What a front end gives a run besides its ports, the settings file and the log.
struct RunSetup {
  RunInputs inputs;
  /// The 1-based position in the Process Servers list the run starts at ("Continue ...").
  int startIndex = 1;
  /// The program-wide values the run starts from; the run keeps its own copy, and its outcome
  /// hands back what it re-read.
  ProgramState state;
  /// The folder the query tool is looked for in when "QAPath" is empty.
  std::string queryToolFolder;
  /// The user's stop, when the front end offers one.
  const RunControl* control = nullptr;
  /// Set when the run is to end at once (SIGINT, SIGTERM).
  const std::atomic<bool>* interrupted = nullptr;
  /// Told of each changed report row (the status board).
  ReportRecorder::Listener listener{};
  /// In Simple Script mode, the results go straight into one CSV text (TakeMergedCsv) rather
  /// than being kept row by row.
  bool mergedCsv = false;
};

/// One vesk run as both front ends start it: the run over its own copies of the inputs and the
/// program-wide state, a report with a row for each server from the start index on, the run's
/// time, and a barrier for whatever escapes the run, which is shown as the run's general error
/// and ends the run early rather than the program.
class RunSession {
 public:
  RunSession(RunSetup setup, const RunPorts& ports, settings::SettingsStore& store,
             MessageLog& log);
  ~RunSession();
  RunSession(const RunSession&) = delete;
  RunSession& operator=(const RunSession&) = delete;

  /// Runs once, on any thread; the report and the outcome belong to the caller afterwards.
  RunOutcome Run();

  const RunInputs& inputs() const { return inputs_; }
  const RunOutcome& outcome() const { return outcome_; }
  /// Filled as the run goes; safe to read from any thread.
  ReportRecorder& recorder() { return *recorder_; }
  const ReportRecorder& recorder() const { return *recorder_; }
  /// The merged Simple Script CSV (RunSetup::mergedCsv); empty afterwards.
  std::string TakeMergedCsv() { return csv_ ? csv_->TakeText() : std::string(); }

 private:
  RunInputs inputs_;
  int startIndex_;
  ProgramState state_;
  RunPorts ports_;
  RunContext context_;
  std::unique_ptr<MergedCsvBuilder> csv_;
  std::unique_ptr<ReportRecorder> recorder_;
  RunOutcome outcome_;
};

}  // namespace pelvane::engine
