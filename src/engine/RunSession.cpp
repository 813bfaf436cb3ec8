// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RunSession.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>
#include <vector>

#include "engine/RunReportColumns.h"

namespace pelvane::engine {

namespace {

constexpr int kInternalError = 51;

/// The report whose Simple Script rows go straight into the merged CSV rather than being kept,
/// so that a large result is held once, as CSV text.
class CsvReportRecorder final : public ReportRecorder {
 public:
  CsvReportRecorder(ReportColumns columns, const std::vector<std::string>& servers,
                    int firstPosition, ReportRecorder::Listener listener, MergedCsvBuilder& csv)
      : ReportRecorder(std::move(columns), servers, firstPosition, std::move(listener)),
        firstPosition_(firstPosition),
        csv_(csv) {}

  void QueryColumns(int position, const std::vector<std::string>& names) override {
    if (position >= firstPosition_)
      csv_.Columns(static_cast<size_t>(position - firstPosition_), names);
  }
  void QueryRow(int position, const std::vector<std::string>& values) override {
    if (position >= firstPosition_)
      csv_.Row(static_cast<size_t>(position - firstPosition_), values);
  }

 private:
  int firstPosition_;
  MergedCsvBuilder& csv_;
};

}  // namespace

RunSession::RunSession(RunSetup setup, const RunPorts& ports, settings::SettingsStore& store,
                       MessageLog& log)
    : inputs_(std::move(setup.inputs)),
      startIndex_(setup.startIndex),
      state_(std::move(setup.state)),
      ports_(ports),
      context_{inputs_, ports_, store, state_, log, std::move(setup.queryToolFolder)} {
  context_.control = setup.control;
  context_.interrupted = setup.interrupted;
  // Rows for the servers this run reaches, numbered by their place in the list.
  const std::vector<std::string>& servers = inputs_.processServers;
  const int first = std::max(1, startIndex_);
  const std::vector<std::string> reached(
      servers.begin() + std::min<long>(first - 1, static_cast<long>(servers.size())),
      servers.end());
  if (setup.mergedCsv) {
    csv_ = std::make_unique<MergedCsvBuilder>(reached);
    recorder_ = std::make_unique<CsvReportRecorder>(ReportColumnsFor(inputs_), reached, first,
                                                    std::move(setup.listener), *csv_);
  } else {
    recorder_ = std::make_unique<ReportRecorder>(ReportColumnsFor(inputs_), reached, first,
                                                 std::move(setup.listener));
  }
  context_.recorder = recorder_.get();
}

RunSession::~RunSession() = default;

RunOutcome RunSession::Run() {
  // What escapes the run (it catches what escapes a server's steps) ends it early, as a
  // cancelled question does; it must not end the program.
  outcome_ = RunOutcome{};
  outcome_.kind = RunOutcome::Kind::kEndedEarly;
  outcome_.NextServerIndex = static_cast<int16_t>(startIndex_);
  outcome_.WhenOccurs = state_.WhenOccurs;
  outcome_.RefreshLogWindow = state_.RefreshLogWindow;
  const auto started = std::chrono::steady_clock::now();
  try {
    outcome_ = RunVesk(startIndex_, context_);
  } catch (const std::exception& error) {
    context_.ShowGeneralError(Status::Error(error.what(), kInternalError));
    outcome_.anyFailure = true;
  } catch (...) {
    context_.ShowGeneralError(Status::Error("Internal error", kInternalError));
    outcome_.anyFailure = true;
  }
  recorder_->SetRunSeconds(
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  return outcome_;
}

}  // namespace pelvane::engine
