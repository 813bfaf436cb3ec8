// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VeskRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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
/// be read (a keyring that cannot be used). Servers side by side read the program-wide
/// WhenOccurs one at a time, behind `programWide`.
Status LoadServer(RunContext& run, int position, std::mutex& programWide) {
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
  bool mismatch = false;
  {
    std::lock_guard<std::mutex> lock(programWide);
    const std::string stored = run.store.GetINIValue("Errors", "WhenOccurs");
    if (!stored.empty()) {
      const std::optional<int16_t> value = ToInt16(stored);
      mismatch = !value;
      if (value) run.state.WhenOccurs = *value;
    }
    s.WhenOccurs = run.state.WhenOccurs;
  }
  // Shown outside the lock: the message waits for the user.
  if (mismatch) run.ShowGeneralError(Status::Error("Type mismatch", kTypeMismatch));
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

/// One server's steps; kEndRun and kBreak as the steps ask.
ScriptsEnd ProcessServer(RunContext& run) {
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
    // Once another server has ended the run, this one starts no further step.
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

/// One server from loading its settings to its last step. Whatever escapes a step is the run's
/// general error; the run goes on with the next server.
ScriptsEnd ProcessServerGuarded(RunContext& run, int position, std::mutex& programWide) {
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
    unreadable = LoadServer(run, position, programWide);
    if (unreadable) end = ProcessServer(run);
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

/// What the servers decide for the whole run, behind one lock.
struct SharedDecisions {
  std::mutex mutex;
  bool anyFailure = false;
  bool endRun = false;
  bool broke = false;
};

/// The servers from startIndex on, up to `workers` side by side, each on its own copy of the
/// per-server state; one worker processes them one after another on this thread. A server's
/// log is kept until every server before it has been logged (one after another: passed on at
/// once), so the log reads the same whatever the number of workers.
RunOutcome RunServers(int16_t startIndex, int workers, RunContext& run, bool live) {
  const int n = static_cast<int>(run.inputs.processServers.size());
  const int first = startIndex;
  const size_t count = first <= n ? static_cast<size_t>(n - first + 1) : 0;

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
  std::mutex programWide;
  // A stop of the user's takes effect before the next hand-out, between servers; the run
  // processes at least its first server.
  std::atomic<bool> begun{false};
  OrderedRunner runner(
      workers, [&run, &begun] { return run.Interrupted() || (begun && StopRequested(run)); });
  // A server processed on this thread (one after another) passes its log on as it is written;
  // a log that cannot be written then fails its step in progress.
  const std::thread::id thisThread = std::this_thread::get_id();
  RunContext* passedOn = nullptr;

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
    const bool onThisThread = std::this_thread::get_id() == thisThread;
    if (onThisThread) passedOn = &one;
    const int position = first + static_cast<int>(k);
    if (live) host.ServerStarted(position);
    const ScriptsEnd end = ProcessServerGuarded(one, position, programWide);
    // A server that ended the run stays marked.
    if (live && (end != ScriptsEnd::kEndRun || one.stoppedByRunEnd)) host.ServerFinished(position);
    if (onThisThread) passedOn = nullptr;
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
    Status s = run.log.LogMessage(piece.text, piece.endLine);
    if (s) return;
    if (passedOn != nullptr) {
      passedOn->ShowGeneralError(s);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(shared.mutex);
      shared.anyFailure = true;
    }
    host.ShowMessage(GeneralErrorText(s), kProgramTitle, MessageIcon::kNone);
  };
  const size_t handedOut = runner.Run(count, job, sink);

  run.anyFailure = run.anyFailure || shared.anyFailure;
  run.inputs.addTimeStamp = timeStamp.AddTimeStamp();
  const int next = first + static_cast<int>(handedOut);  // the first server not handed out
  int16_t NextServerIndex = startIndex;
  // A break points the run button at the next server, also when the run then ended.
  if (shared.broke) {
    run.ports.host.SetRunButtonCaption(next <= n ? kContinueCaption : kRunCaption);
    NextServerIndex = static_cast<int16_t>(next);
  }
  if (shared.endRun) return Outcome(RunOutcome::Kind::kEndedEarly, run, NextServerIndex);
  bool stopped = shared.broke;
  if (!stopped && next <= n && StopRequested(run) && handedOut > 0) {
    run.Log("Run stopped by the user after Server: " +
            run.inputs.processServers[static_cast<size_t>(next - 2)] + ".");
    run.ports.host.SetRunButtonCaption(kContinueCaption);
    NextServerIndex = static_cast<int16_t>(next);
    stopped = true;
  }
  // An interrupted run starts no further server; they stay not run.
  if (!stopped && next <= n && run.Interrupted())
    return Outcome(RunOutcome::Kind::kEndedEarly, run, NextServerIndex);

  // A run that stopped after a break shows and keeps its log like one that completed, so that
  // the lines of the servers it did process are not lost.
  if (!live && handedOut > 0) {
    if (Status loaded = run.log.LoadDeferredLog(); !loaded) run.ShowGeneralError(loaded);
  }
  if (Status saved = run.log.SaveLogToFile(run.state.LogFile); !saved) run.ShowGeneralError(saved);
  if (stopped) return Outcome(RunOutcome::Kind::kStopped, run, NextServerIndex);
  run.ports.host.SetRunButtonCaption(kRunCaption);
  return Outcome(RunOutcome::Kind::kCompleted, run, 1);
}

}  // namespace

RunOutcome RunVesk(int startIndex, RunContext& run) {
  const auto start = static_cast<int16_t>(std::clamp(startIndex, 1, 32767));
  if (!InputsAccepted(run)) return Outcome(RunOutcome::Kind::kRefused, run, start);

  run.QueryToolMissing = false;
  run.anyFailure = false;
  run.state.RefreshLogWindow =
      StoredInt16(run, "Pelvane", "RefreshLogWindow", 1, run.state.RefreshLogWindow);
  run.log.SetRefreshLogWindow(run.state.RefreshLogWindow);
  return RunServers(start, Workers(run), run, run.state.RefreshLogWindow == 1);
}

}  // namespace pelvane::engine
