#include "engine/VeskRun.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <string>

#include "engine/AppendStep.h"
#include "engine/CopyStep.h"
#include "engine/QueryToolFolder.h"
#include "engine/ScriptStep.h"
#include "engine/ServiceStep.h"
#include "engine/SimpleScriptStep.h"
#include "engine/VbNumber.h"
#include "settings/ErrorNumbers.h"
#include "settings/PasswordScrambler.h"

namespace pelvane::engine {

namespace {

constexpr char kRunCaption[] = "Vesk SQL";
constexpr char kContinueCaption[] = "Continue ...";
using error_number::kTypeMismatch;
constexpr int kInternalError = 51;

/// The two checks before anything runs; false when the run is refused.
bool InputsAccepted(RunContext& run) {
  if (run.inputs.copyFile && run.inputs.copyFileText.empty()) {
    run.ports.host.ShowMessage(
        "Copy File To Server selected but no Copy File has been defined.  Select a file to Copy "
        "and Try Again.",
        kProgramTitle, MessageIcon::kNone);
    return false;
  }
  if (run.inputs.processServers.empty()) {
    run.ports.host.ShowMessage("You must select at least one server.", kProgramTitle,
                               MessageIcon::kNone);
    return false;
  }
  return true;
}

/// A stored number as an integer: empty reads as whenEmpty; text that is no number is the run's
/// general error and leaves current.
int16_t StoredInt16(RunContext& run, const char* section, const char* key, int16_t whenEmpty,
                    int16_t current) {
  std::string stored = run.store.GetINIValue(section, key);
  if (stored.empty()) return whenEmpty;
  std::optional<int16_t> value = ToInt16(stored);
  if (!value) {
    run.ShowGeneralError(Status::Error("Type mismatch", kTypeMismatch));
    return current;
  }
  return *value;
}

/// Loads the server's login data and the policy read for it.
void LoadServer(RunContext& run, int position) {
  ServerContext& s = run.server;
  s.position = position;
  s.CurrentServer = run.inputs.processServers[static_cast<size_t>(position - 1)];
  s.CurrentLogin = run.store.GetINIValue(s.CurrentServer, "Login");
  s.CurrentPassword = settings::UnscramblePassword(
      run.store.GetINIValue(s.CurrentServer, "Password"), settings::PasswordKey);
  s.CurrentDatabase = run.store.GetINIValue(s.CurrentServer, "Database");
  s.MessagesTo = run.store.GetINIValue("Errors", "MessagesTo");
  // WhenOccurs is program-wide: an empty setting keeps the value last read, in any run.
  run.state.WhenOccurs =
      StoredInt16(run, "Errors", "WhenOccurs", run.state.WhenOccurs, run.state.WhenOccurs);
  s.WhenOccurs = run.state.WhenOccurs;
  QueryToolFolderRead folder = DetermineQueryToolFolder(run.store, run.defaultQueryToolFolder);
  if (!folder.saved) run.ShowGeneralError(folder.saved);
  s.QueryToolFolder = folder.folder;
}

/// Runs one of the copy, append and service steps and records its outcome: failed when the
/// step marked the run as failed.
template <typename Step>
auto RunRecordedStep(RunContext& run, StepKind kind, Step step) {
  const bool failedBefore = run.anyFailure;
  run.anyFailure = false;
  auto end = step();
  const bool failed = run.anyFailure;
  run.anyFailure = failedBefore || failed;
  run.Recorder().StepDone(run.server.position, kind,
                          {failed ? Verdict::kFailed : Verdict::kSucceeded, ""});
  return end;
}

/// One server's steps; kEndRun and kBreak as the steps ask. A break points the run button at
/// the next server before the server's other steps run.
ScriptsEnd ProcessServer(RunContext& run, int serverCount, int16_t& NextServerIndex) {
  const RunInputs& in = run.inputs;
  ScriptsEnd end = ScriptsEnd::kContinue;
  if (in.simpleScriptMode) {
    run.Log(LogSeparator());
    run.Log(run.server.CurrentServer + ": Simple Script Results");
    RunSimpleScript(run);
  } else {
    end = RunScripts(run);
    if (end == ScriptsEnd::kEndRun) return end;
    if (end == ScriptsEnd::kBreak) {
      int i = run.server.position;
      run.ports.host.SetRunButtonCaption(i < serverCount ? kContinueCaption : kRunCaption);
      NextServerIndex = static_cast<int16_t>(i + 1);
    }
    if (in.copyFile) {
      RunRecordedStep(run, StepKind::kCopy, [&] {
        RunCopyStep(run);
        return StepEnd::kContinue;
      });
    }
    if (in.appendText &&
        RunRecordedStep(run, StepKind::kAppend, [&] { return RunAppendStep(run); }) ==
            StepEnd::kEndRun)
      return ScriptsEnd::kEndRun;
    if (in.restartServices) {
      RunRecordedStep(run, StepKind::kService, [&] {
        RunServiceStep(run);
        return StepEnd::kContinue;
      });
    }
  }
  run.Log(run.server.CurrentServer + ": Process complete.");
  run.Log(LogSeparator());
  run.Log("");
  return end;
}

/// One server from loading its settings to its last step. Whatever escapes a step is the run's
/// general error; the run goes on with the next server.
ScriptsEnd ProcessServerGuarded(RunContext& run, int position, int serverCount,
                                int16_t& NextServerIndex) {
  const auto started = std::chrono::steady_clock::now();
  run.Recorder().ServerStarted(position);
  auto finished = [&] {
    run.Recorder().ServerFinished(
        position, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  };
  try {
    LoadServer(run, position);
    ScriptsEnd end = ProcessServer(run, serverCount, NextServerIndex);
    if (end != ScriptsEnd::kEndRun) finished();
    return end;
  } catch (const std::exception& error) {
    run.ShowGeneralError(Status::Error(error.what(), kInternalError));
  } catch (...) {
    run.ShowGeneralError(Status::Error("Internal error", kInternalError));
  }
  return ScriptsEnd::kContinue;
}

bool StopRequested(const RunContext& run) {
  return run.control != nullptr && run.control->StopRequested();
}

RunOutcome Outcome(RunOutcome::Kind kind, const RunContext& run, int16_t NextServerIndex) {
  RunOutcome outcome;
  outcome.kind = kind;
  outcome.anyFailure = run.anyFailure;
  outcome.NextServerIndex = NextServerIndex;
  outcome.WhenOccurs = run.state.WhenOccurs;
  outcome.RefreshLogWindow = run.state.RefreshLogWindow;
  return outcome;
}

}  // namespace

RunOutcome RunVesk(int startIndex, RunContext& run) {
  int16_t NextServerIndex = static_cast<int16_t>(std::clamp(startIndex, 1, 32767));
  if (!InputsAccepted(run)) return Outcome(RunOutcome::Kind::kRefused, run, NextServerIndex);

  run.QueryToolMissing = false;
  run.anyFailure = false;
  run.state.RefreshLogWindow =
      StoredInt16(run, "Pelvane", "RefreshLogWindow", 1, run.state.RefreshLogWindow);
  run.log.SetRefreshLogWindow(run.state.RefreshLogWindow);
  const bool live = run.state.RefreshLogWindow == 1;

  const int n = static_cast<int>(run.inputs.processServers.size());
  bool processedAny = false;
  bool stopped = false;
  for (int i = std::max(startIndex, 1); i <= n && !stopped; ++i) {
    if (live) run.ports.host.ShowServerInProgress(i);
    ScriptsEnd end = ProcessServerGuarded(run, i, n, NextServerIndex);
    if (end == ScriptsEnd::kEndRun)
      return Outcome(RunOutcome::Kind::kEndedEarly, run, NextServerIndex);
    processedAny = true;
    stopped = end == ScriptsEnd::kBreak;
    if (!stopped && i < n && StopRequested(run)) {
      run.Log("Run stopped by the user after Server: " + run.server.CurrentServer + ".");
      run.ports.host.SetRunButtonCaption(kContinueCaption);
      NextServerIndex = static_cast<int16_t>(i + 1);
      stopped = true;
    }
  }

  // A run that stopped after a break shows and keeps its log like one that completed, so that
  // the lines of the servers it did process are not lost.
  if (!live && processedAny) {
    if (Status loaded = run.log.LoadDeferredLog(); !loaded) run.ShowGeneralError(loaded);
  }
  if (live) run.ports.host.ShowServerInProgress(0);
  if (Status saved = run.log.SaveLogToFile(run.state.LogFile); !saved) run.ShowGeneralError(saved);
  if (stopped) return Outcome(RunOutcome::Kind::kStopped, run, NextServerIndex);
  run.ports.host.SetRunButtonCaption(kRunCaption);
  return Outcome(RunOutcome::Kind::kCompleted, run, 1);
}

}  // namespace pelvane::engine
