// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RunContext.h"

#include "engine/DateTimeFormat.h"

namespace pelvane::engine {

std::string RunContext::Timestamp() const {
  return engine::Timestamp(state.DateTimeFormat);
}

RunRecorder& RunContext::Recorder() const {
  // Keeps nothing, so one shared instance is as good as one per run.
  static NullRecorder nothingKept;
  return recorder != nullptr ? *recorder : nothingKept;
}

void RunContext::Log(const std::string& text, bool endLine) {
  if (serverLog != nullptr) {
    serverLog->Message(text, endLine);
    return;
  }
  if (Status s = log.LogMessage(text, endLine); !s) ShowGeneralError(s);
}

void RunContext::WindowText(const std::string& text) {
  if (serverLog != nullptr) {
    serverLog->WindowText(text);
    return;
  }
  log.Window().AppendText(text);
}

void RunContext::EndRun() {
  if (runEnd != nullptr) runEnd->End();
}

bool RunContext::StopsForTheRunsEnd() {
  if (runEnd == nullptr || !runEnd->Ended()) return false;
  if (!stoppedByRunEnd)
    Log("Run ended; no further scripts or steps for Server: " + server.CurrentServer + ".");
  stoppedByRunEnd = true;
  return true;
}

void RunContext::StepFailed(const std::string& reason) {
  anyFailure = true;
  if (stepFailure.empty()) stepFailure = reason;
}

std::string GeneralErrorText(const Status& error) {
  return std::to_string(error.number()) + ", " + error.message() + " occured in Pelvane.";
}

void RunContext::ShowGeneralError(const Status& error) {
  // The run went on, but something in it did not work.
  const std::string text = GeneralErrorText(error);
  StepFailed(text);
  ports.host.ShowMessage(text, kProgramTitle, MessageIcon::kNone);
}

}  // namespace pelvane::engine
