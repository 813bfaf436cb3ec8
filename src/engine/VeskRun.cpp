// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VeskRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <optional>
#include <string>

#include "engine/AppendStep.h"
#include "engine/CopyStep.h"
#include "engine/OrderedRunner.h"
#include "engine/QueryToolFolder.h"
#include "engine/ScriptStep.h"
#include "engine/SerializedRunHost.h"
#include "engine/ServiceStep.h"
#include "engine/SimpleScriptStep.h"
#include "engine/SqlEncryptionSettings.h"
#include "engine/StoredPasswords.h"
#include "engine/VbNumber.h"
#include "settings/ErrorNumbers.h"

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

/// Loads the server's login data and the policy read for it; an error when its password cannot
/// be read (a keyring that cannot be used).
Status LoadServer(RunContext& run, int position) {
  ServerContext& s = run.server;
  s.position = position;
  s.CurrentServer = run.inputs.processServers[static_cast<size_t>(position - 1)];
  s.CurrentLogin = run.store.GetINIValue(s.CurrentServer, "Login");
  Result<std::string> password =
      ReadPassword(run.store, run.ports.keyring, s.CurrentServer, PasswordKind::kSqlLogin);
  s.CurrentPassword = password ? *password : std::string();
  s.CurrentDatabase = run.store.GetINIValue(s.CurrentServer, "Database");
  s.encryption = LoadSqlEncryption(run.store, s.CurrentServer);
  s.networkLogonRefused.clear();
  s.MessagesTo = run.store.GetINIValue("Errors", "MessagesTo");
  // WhenOccurs is program-wide: an empty setting keeps the value last read, in any run.
  run.state.WhenOccurs =
      StoredInt16(run, "Errors", "WhenOccurs", run.state.WhenOccurs, run.state.WhenOccurs);
  s.WhenOccurs = run.state.WhenOccurs;
  s.QueryToolFolder = DetermineQueryToolFolder(run.store, run.defaultQueryToolFolder);
  return password ? Status::Ok() : password.status();
}

/// Runs one of the copy, append and service steps and records its outcome: failed, with the
/// step's first reason, when the step marked the run as failed. A step that ends the run
/// leaves its cell not run.
template <typename Step>
StepEnd RunRecordedStep(RunContext& run, StepKind kind, Step step) {
  const bool failedBefore = run.anyFailure;
  run.anyFailure = false;
  run.stepFailure.clear();
  const StepEnd end = step();
  const bool failed = run.anyFailure;
  run.anyFailure = failedBefore || failed;
  if (end == StepEnd::kEndRun) return end;
  run.Recorder().StepDone(
      run.server.position, kind,
      {failed ? Verdict::kFailed : Verdict::kSucceeded, failed ? run.stepFailure : ""});
  return end;
}

/// One server's steps; kEndRun and kBreak as the steps ask. A break points the run button at
/// the next server before the server's other steps run.
ScriptsEnd ProcessServer(RunContext& run, int serverCount, int16_t& NextServerIndex) {
  const RunInputs& in = run.inputs;
  ScriptsEnd end = ScriptsEnd::kContinue;
  if (run.StopsForTheRunsEnd()) return ScriptsEnd::kEndRun;
  if (in.simpleScriptMode) {
    run.Log(LogSeparator());
    run.Log(run.server.CurrentServer + ": Simple Script Results");
    RunSimpleScript(run);
    if (run.Interrupted()) return ScriptsEnd::kEndRun;
  } else {
    end = RunScripts(run);
    if (run.Interrupted()) end = ScriptsEnd::kEndRun;
    if (end != ScriptsEnd::kContinue && run.stopHandingOut) run.stopHandingOut();
    if (end == ScriptsEnd::kEndRun) return end;
    // Side by side, the run points the button once every running server has finished.
    if (end == ScriptsEnd::kBreak && !run.stopHandingOut) {
      int i = run.server.position;
      run.ports.host.SetRunButtonCaption(i < serverCount ? kContinueCaption : kRunCaption);
      NextServerIndex = static_cast<int16_t>(i + 1);
    }
    // Side by side, once another server has ended the run, this one starts no further step.
    if (in.copyFile && !run.StopsForTheRunsEnd()) {
      RunRecordedStep(run, StepKind::kCopy, [&] {
        RunCopyStep(run);
        return StepEnd::kContinue;
      });
    }
    if (in.appendText && !run.StopsForTheRunsEnd() && RunRecordedStep(run, StepKind::kAppend, [&] {
                                                        return RunAppendStep(run);
                                                      }) == StepEnd::kEndRun) {
      run.EndRun();
      if (run.stopHandingOut) run.stopHandingOut();
      return ScriptsEnd::kEndRun;
    }
    if (in.restartServices && !run.StopsForTheRunsEnd()) {
      RunRecordedStep(run, StepKind::kService, [&] {
        RunServiceStep(run);
        return StepEnd::kContinue;
      });
    }
    if (run.stoppedByRunEnd) return ScriptsEnd::kEndRun;
  }
  run.Log(run.server.CurrentServer + ": Process complete.");
  run.Log(LogSeparator());
  run.Log("");
  return end;
}

/// Runs work; whatever escapes it is the run's general error, returned rather than thrown.
template <typename Work>
std::optional<Status> Guarded(Work work) {
  try {
    work();
    return std::nullopt;
  } catch (const std::exception& error) {
    return Status::Error(error.what(), kInternalError);
  } catch (...) {
    return Status::Error("Internal error", kInternalError);
  }
}

/// One server from loading its settings (unless already loaded) to its last step. Whatever
/// escapes a step is the run's general error; the run goes on with the next server.
ScriptsEnd ProcessServerGuarded(RunContext& run, int position, int serverCount,
                                int16_t& NextServerIndex, bool loaded = false) {
  // An interrupted run starts no further server; it stays not run.
  if (run.Interrupted()) return ScriptsEnd::kEndRun;
  const auto started = std::chrono::steady_clock::now();
  run.Recorder().ServerStarted(position);
  auto finished = [&] {
    run.Recorder().ServerFinished(
        position,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  };
  ScriptsEnd end = ScriptsEnd::kContinue;
  Status unreadable = Status::Ok();
  std::optional<Status> failure = Guarded([&] {
    if (!loaded) unreadable = LoadServer(run, position);
    if (unreadable) end = ProcessServer(run, serverCount, NextServerIndex);
  });
  if (!failure && !unreadable) failure = unreadable;
  if (!failure) {
    // The server that ended the run stays unfinished; one stopped by that end is done.
    if (end != ScriptsEnd::kEndRun || run.stoppedByRunEnd) finished();
    return end;
  }
  run.ShowGeneralError(*failure);
  run.Recorder().ServerFailed(position, GeneralErrorText(*failure));
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

/// How many servers the run processes at once.
int Workers(const RunContext& run) {
  const int wanted = run.inputs.parallelServers.value_or(run.state.ParallelServers);
  return std::clamp(wanted, 1, static_cast<int>(kMaxParallelServers));
}

/// What the servers processed side by side decide for the whole run, behind one lock.
struct SharedDecisions {
  std::mutex mutex;
  bool anyFailure = false;
  bool endRun = false;
  bool broke = false;
};

/// Servers side by side: each on its own copy of the per-server state, its log kept until every
/// server before it has been logged, so the log reads as the sequential run's. The servers'
/// settings are read first, in list order, as the sequential run reads them.
RunOutcome RunSideBySide(int startIndex, int workers, RunContext& run, bool live) {
  const int n = static_cast<int>(run.inputs.processServers.size());
  const int first = std::max(startIndex, 1);
  std::vector<ServerContext> servers;
  std::vector<std::string> loadErrors;  // per server; empty when its settings were read
  for (int i = first; i <= n; ++i) {
    Status unreadable = Status::Ok();
    std::optional<Status> failure = Guarded([&] { unreadable = LoadServer(run, i); });
    if (!failure && !unreadable) failure = unreadable;
    std::string loadError;
    if (failure) {
      run.ShowGeneralError(*failure);
      loadError = GeneralErrorText(*failure);
    }
    ServerContext server = run.server;
    server.position = i;
    server.CurrentServer = run.inputs.processServers[static_cast<size_t>(i - 1)];
    servers.push_back(server);
    loadErrors.push_back(loadError);
  }

  SerializedRunHost host(run.ports.host);
  RunPorts ports{host,
                 run.ports.sql,
                 run.ports.processes,
                 run.ports.shares,
                 run.ports.clock,
                 run.ports.services,
                 run.ports.sleeper,
                 run.ports.keyring};
  SharedDecisions shared;
  SharedRunEnd runEnd;
  TimeStampChoice timeStamp(run.inputs.addTimeStamp);
  // A stop of the user's takes effect before the next hand-out, as it does between servers;
  // like the run one server at a time, the run processes at least its first server.
  std::atomic<bool> begun{false};
  OrderedRunner runner(
      workers, [&run, &begun] { return run.Interrupted() || (begun && StopRequested(run)); });

  auto job = [&](size_t k, ServerLog& serverLog) {
    begun = true;
    RunInputs inputs = run.inputs;  // read only; the run-wide box is timeStamp
    RunContext one{inputs, ports, run.store, run.state, run.log, run.defaultQueryToolFolder};
    one.control = run.control;
    one.interrupted = run.interrupted;
    one.recorder = run.recorder;
    one.serverLog = &serverLog;
    one.timeStamp = &timeStamp;
    one.runEnd = &runEnd;
    one.stopHandingOut = [&runner] { runner.StopHandingOut(); };
    one.server = servers[k];
    const int position = servers[k].position;
    if (live) host.ServerStarted(position);
    int16_t ignored = 0;
    ScriptsEnd end = ScriptsEnd::kContinue;
    if (loadErrors[k].empty())
      end = ProcessServerGuarded(one, position, n, ignored, true);
    else
      one.Recorder().ServerFailed(position, loadErrors[k]);
    // A server that ended the run stays marked, as it does when servers run one at a time.
    if (live && (end != ScriptsEnd::kEndRun || one.stoppedByRunEnd)) host.ServerFinished(position);
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.anyFailure = shared.anyFailure || one.anyFailure;
    if (end == ScriptsEnd::kEndRun) shared.endRun = true;
    if (end == ScriptsEnd::kBreak) shared.broke = true;
    if (end != ScriptsEnd::kContinue) runner.StopHandingOut();
  };
  // The log is written on this thread only, in list order.
  auto sink = [&](size_t, const LogPiece& piece) {
    if (piece.kind == LogPiece::Kind::kWindowText) {
      run.log.Window().AppendText(piece.text);  // through the log, which saves what it showed
      return;
    }
    if (Status s = run.log.LogMessage(piece.text, piece.endLine); !s) {
      std::lock_guard<std::mutex> lock(shared.mutex);
      shared.anyFailure = true;
      host.ShowMessage(std::to_string(s.number()) + ", " + s.message() + " occured in Pelvane.",
                       kProgramTitle, MessageIcon::kNone);
    }
  };
  const size_t handedOut = runner.Run(servers.size(), job, sink);

  run.anyFailure = run.anyFailure || shared.anyFailure;
  run.inputs.addTimeStamp = timeStamp.AddTimeStamp();
  int16_t NextServerIndex = static_cast<int16_t>(std::clamp(startIndex, 1, 32767));
  if (shared.endRun) return Outcome(RunOutcome::Kind::kEndedEarly, run, NextServerIndex);

  const int next = first + static_cast<int>(handedOut);  // the first server not handed out
  bool stopped = false;
  if (shared.broke) {
    run.ports.host.SetRunButtonCaption(next <= n ? kContinueCaption : kRunCaption);
    NextServerIndex = static_cast<int16_t>(next);
    stopped = true;
  } else if (next <= n && StopRequested(run) && handedOut > 0) {
    run.Log("Run stopped by the user after Server: " + servers[handedOut - 1].CurrentServer + ".");
    run.ports.host.SetRunButtonCaption(kContinueCaption);
    NextServerIndex = static_cast<int16_t>(next);
    stopped = true;
  }

  if (!live && handedOut > 0) {
    if (Status loadedLog = run.log.LoadDeferredLog(); !loadedLog) run.ShowGeneralError(loadedLog);
  }
  if (live) run.ports.host.ShowServersInProgress({});
  if (Status saved = run.log.SaveLogToFile(run.state.LogFile); !saved) run.ShowGeneralError(saved);
  if (stopped) return Outcome(RunOutcome::Kind::kStopped, run, NextServerIndex);
  run.ports.host.SetRunButtonCaption(kRunCaption);
  return Outcome(RunOutcome::Kind::kCompleted, run, 1);
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
  if (const int workers = Workers(run); workers > 1)
    return RunSideBySide(startIndex, workers, run, live);

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
