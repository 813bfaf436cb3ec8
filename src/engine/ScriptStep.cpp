// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ScriptStep.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "engine/BrowserTimeout.h"
#include "engine/FirstServerError.h"
#include "engine/LoginTest.h"
#include "engine/QueryToolFolder.h"
#include "engine/SharedRunEnd.h"
#include "engine/SplitList.h"
#include "engine/SqlEncryptionSettings.h"
#include "settings/ErrorNumbers.h"
#include "settings/FileIo.h"
#include "settings/ProfileText.h"
#include "settings/ScratchFile.h"

namespace pelvane::engine {

namespace {

constexpr char kToolMissingCaption[] = "Query Analyzer Not Installed";
constexpr char kToolMissingText[] =
    "The Pelvane Tool requires that Microsoft Query Analyzer be installed on this computer to "
    "vesk stored procedures.  Install Query Analyzer and try again.";
// isqlw's status when it could not connect or run the script at all; the reason is in the
// output file, without a "Server: Msg" line to judge by.
constexpr int kToolCouldNotRun = 2;
// isqlw's status when a batch ran past its query time-out (-t).
constexpr int kToolTimedOut = 3;
// isqlw's status when a batch had no answer and the server did not answer a check on a
// second connection either: it ended the batch before the time-out.
constexpr int kToolServerStalled = 4;
// How long past the script time-out the tool may take to end a batch and say so.
constexpr int kToolGraceSeconds = 5;
using error_number::kInvalidProcedureCall;
using error_number::kTypeMismatch;

bool ContainsNoCase(const std::string& text, const std::string& word) {
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  return std::search(text.begin(), text.end(), word.begin(), word.end(), same) != text.end();
}

std::string ToolMissingBanner() {
  std::string stars(30, '*');
  return stars + " Microsoft Query Analyzer Not Installed " + stars;
}

/// The script time-out in seconds (0: none): the run's own when given, else the setting, else
/// the default.
int ScriptTimeout(RunContext& run) {
  if (run.inputs.scriptTimeoutSeconds) return *run.inputs.scriptTimeoutSeconds;
  std::string stored = run.store.GetINIValue("Pelvane", "ScriptTimeout");
  if (stored.empty()) return kDefaultScriptTimeoutSeconds;
  std::optional<int> seconds = ParseScriptTimeout(stored);
  if (!seconds) {
    run.ShowGeneralError(Status::Error("Type mismatch", kTypeMismatch));
    return kDefaultScriptTimeoutSeconds;
  }
  return *seconds;
}

/// The script's own state while it goes through the steps of one script.
struct ScriptRun {
  RunContext& run;
  const std::string& script;
  size_t index = 0;  // in the script list
  bool failed = false;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  std::string reason{};  // why the script failed when the tool reported no server error
  std::optional<ServerErrorMessage> serverError{};

  const std::string& server() const { return run.server.CurrentServer; }

  /// The verdict for the status board, beside the log's.
  void Record() {
    ScriptCell cell;
    cell.verdict = failed ? Verdict::kFailed : Verdict::kSucceeded;
    if (failed && serverError) {
      cell.errorNumber = serverError->number;
      cell.severity = serverError->severity;
      cell.error = serverError->text;
    } else if (failed) {
      cell.error = reason;
    }
    cell.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.Recorder().ScriptDone(run.server.position, index, cell);
  }

  void Report() {
    Record();
    run.Log(run.Timestamp() + ", Server: " + server() + ".");
    if (!failed) {
      run.Log("Vesk Process for " + script + " --> SUCCESSFUL.");
      return;
    }
    run.Log("Vesk process for " + script + " --> UNSUCCESSFUL.");
    run.anyFailure = true;
    failed = false;
  }

  /// The login check; false when the tool is not to be started.
  bool LoginAccepted() {
    const ServerContext& s = run.server;
    LoginCheck check = run.ports.sql.CheckLogin({s.CurrentServer, s.CurrentLogin, s.CurrentPassword,
                                                 s.CurrentDatabase, s.encryption,
                                                 StoredBrowserTimeoutMs(run.store)});
    if (check.kind != LoginCheckKind::kAccepted && run.Interrupted()) {
      reason = "The run was interrupted during the login check on Server: " + server() + ".";
      run.Log(reason);
      failed = true;
      return false;
    }
    RunRecorder& recorder = run.Recorder();
    switch (check.kind) {
      case LoginCheckKind::kAccepted:
        recorder.LoginChecked(s.position, LoginResult::kAccepted, "");
        return true;
      case LoginCheckKind::kUnreachable:
        reason = "SQL Server does not exist or is not accessible. Server: " + server() + ".";
        recorder.LoginChecked(s.position, LoginResult::kUnreachable, reason);
        run.Log(reason);
        failed = true;
        return false;
      case LoginCheckKind::kLoginRefused:
        reason = "Login FAILED for user " + s.CurrentLogin + " on Server: " + server() + ".";
        recorder.LoginChecked(s.position, LoginResult::kRefused, reason);
        run.Log(reason);
        failed = true;
        return false;
      case LoginCheckKind::kCertificateRefused:
      case LoginCheckKind::kStrictUnavailable:
        // The message is the whole sentence, the fix included.
        reason = check.error.message;
        recorder.LoginChecked(s.position, LoginResult::kOtherError, reason);
        run.Log(reason);
        failed = true;
        return false;
      case LoginCheckKind::kBrowserSilent:
      case LoginCheckKind::kPasswordExpired:
      case LoginCheckKind::kPasswordMustChange:
        // The message is the sentence that names the cause, in place of the generic line.
        reason = check.error.message;
        recorder.LoginChecked(s.position,
                              check.kind == LoginCheckKind::kBrowserSilent
                                  ? LoginResult::kUnreachable
                                  : LoginResult::kRefused,
                              reason);
        run.Log(reason);
        failed = true;
        return false;
      case LoginCheckKind::kOtherError:
        reason = check.error.message;
        recorder.LoginChecked(s.position, LoginResult::kOtherError, reason);
        // The login was not shown to work: the tool would only fail the same way, later.
        run.ShowGeneralError(
            Status::Error(check.error.message, static_cast<int>(LoginErrorNumber(check))));
        failed = true;
        return false;
    }
    return true;
  }

  /// False when another server ended the run meanwhile: nothing is asked or logged then, so
  /// servers side by side that all miss the tool show it once.
  bool AskWhetherToGoOn() {
    std::unique_ptr<QuestionTurn::Held> deciding;
    if (run.runEnd != nullptr) deciding = run.runEnd->Deciding();
    if (run.StopsForTheRunsEnd()) return false;
    const RunInputs& in = run.inputs;
    if (in.copyFile || in.appendText || in.restartServices) {
      Answer answer = run.ports.host.AskYesNo(
          std::string(kToolMissingText) + " Continue other tasks?", kToolMissingCaption);
      run.ContinueOtherSteps = answer == Answer::kYes;
    } else {
      run.ports.host.ShowMessage(kToolMissingText, kProgramTitle, MessageIcon::kCritical);
    }
    run.Log("");
    run.Log(ToolMissingBanner() + "\r\n" + kToolMissingText);
    run.QueryToolMissing = true;
    if (run.runEnd != nullptr) run.runEnd->QueryToolMissing(run.ContinueOtherSteps);
    if (!run.ContinueOtherSteps) run.EndRun();
    return true;
  }

  void LogDetails(const std::string& outputText) {
    run.Log("Server: [" + server() + "] @ " + run.Timestamp());
    for (const std::string& field : ReadDelimitedFields(outputText)) run.Log(field);
  }

  /// The error policy of "MessagesTo" and WhenOccurs for a failed script.
  ScriptsEnd ApplyErrorPolicy(const std::string& outputText) {
    const ServerContext& s = run.server;
    serverError = FirstServerError(outputText);
    if (s.MessagesTo == "Window") {
      switch (s.WhenOccurs) {
        case 1:
          LogDetails(outputText);
          break;
        case 2:
          LogDetails(outputText);
          run.anyFailure = true;  // its report line is skipped
          Record();
          return ScriptsEnd::kBreak;
        case 3:
          run.anyFailure = true;
          run.EndRun();  // servers beside this one start nothing more from here on
          run.Log("");
          run.Log("Server: [" + server() + "] @ " + run.Timestamp());
          run.Log(run.Timestamp() + ", Server: " + server());
          Record();
          return ScriptsEnd::kEndRun;
        default:
          break;
      }
    } else if (s.WhenOccurs == 1) {
      LogDetails(outputText);
    }
    Report();
    return ScriptsEnd::kContinue;
  }

  ScriptsEnd Run() {
    run.Log(LogSeparator());
    if (!LoginAccepted()) {
      Report();
      return run.Interrupted() ? ScriptsEnd::kEndRun : ScriptsEnd::kContinue;
    }
    // The login check may take as long as a script: the run may have ended meanwhile.
    if (run.StopsForTheRunsEnd()) return ScriptsEnd::kEndRun;
    // Each execution writes to a file of its own, gone after the verdict: a run beside this
    // one never reads this script's output, nor this run another's.
    Result<settings::ScratchFolder> scratch =
        settings::ScratchFolder::CreateBeside(run.state.QueryOutputFile);
    if (!scratch) {
      run.ShowGeneralError(scratch.status());
      reason = scratch.status().message();
      failed = true;
      Report();
      return ScriptsEnd::kContinue;
    }
    const std::string& outputFile = scratch->File();
    const int timeout = ScriptTimeout(run);
    QueryToolCommand command = BuildQueryToolCommand(run.server, script, outputFile, timeout);
    // The tool waits the default time for a named instance's browser unless told otherwise.
    if (const int browserMs = StoredBrowserTimeoutMs(run.store); browserMs != kDefaultBrowserMs)
      command.arguments.insert(command.arguments.end(),
                               {"--browser-timeout", std::to_string(browserMs / 1000)});

    // The tool ends a batch that runs past the time-out itself and says so in its output;
    // the launcher's limit, a little later, ends a tool that does not.
    ProcessLimits limits;
    if (timeout > 0) limits.timeoutSeconds = timeout + kToolGraceSeconds;
    if (run.control != nullptr) limits.stopNow = run.control->StopNowFlag();
    ProcessOutcome outcome = run.ports.processes.RunAndWait(command.program, command.arguments,
                                                            command.environment, limits);
    if (outcome.kind == ProcessOutcome::Kind::kInterrupted && run.control != nullptr &&
        run.control->StopNowRequested()) {
      reason =
          "Vesk process for " + script + " on Server: " + server() + " was stopped by the user.";
      run.Log(reason);
      failed = true;
      Report();
      return ScriptsEnd::kEndRun;
    }
    if (outcome.kind == ProcessOutcome::Kind::kInterrupted) {
      reason = "The run was interrupted; the query tool was ended while it ran " + script +
               " on Server: " + server() + ".";
      run.Log(reason);
      failed = true;
      Report();
      return ScriptsEnd::kEndRun;
    }
    const bool exited = outcome.kind == ProcessOutcome::Kind::kExited;
    const bool stalled = exited && outcome.exitCode == kToolServerStalled;
    const bool timedOut = outcome.kind == ProcessOutcome::Kind::kTimedOut ||
                          (exited && outcome.exitCode == kToolTimedOut) || stalled;
    if (stalled) {
      reason = "Vesk process for " + script + " was ended on Server: " + server() +
               ": the server answered neither the script nor a check on a second connection; "
               "the script was ended.";
      run.Log(reason);
    } else if (timedOut) {
      reason = "Vesk process for " + script + " timed out after " + std::to_string(timeout) +
               " seconds on Server: " + server() + "; the script was ended.";
      run.Log(reason);
    }
    if (outcome.kind == ProcessOutcome::Kind::kNotFound && !AskWhetherToGoOn())
      return ScriptsEnd::kEndRun;
    if (run.runEnd != nullptr)
      run.runEnd->TakeQueryToolDecision(run.QueryToolMissing, run.ContinueOtherSteps);
    if (run.QueryToolMissing) {
      reason = kToolMissingCaption;
      if (!run.ContinueOtherSteps) return ScriptsEnd::kEndRun;
      failed = true;
      Report();
      return ScriptsEnd::kContinue;
    }
    if (outcome.kind == ProcessOutcome::Kind::kFailedToStart) {
      run.ports.host.ShowMessage("Error: " + std::to_string(kInvalidProcedureCall) + ", " +
                                     outcome.message +
                                     ", detected in Shell subroutine.  Contact Support",
                                 kProgramTitle, MessageIcon::kNone);
    }

    Result<std::string> output = ReadWholeFile(outputFile);
    if (!output && timedOut) output = std::string();
    if (!output) {
      reason = "The query tool wrote no output for " + script + " on Server: " + server() + ".";
      run.Log(reason);
      failed = true;
      Report();
      return ScriptsEnd::kContinue;
    }
    bool toolFailed =
        (outcome.kind == ProcessOutcome::Kind::kExited && outcome.exitCode == kToolCouldNotRun) ||
        outcome.kind == ProcessOutcome::Kind::kKilled || timedOut;
    if (!toolFailed && !OutputShowsFailure(JoinOutputLines(*output))) {
      Report();
      return ScriptsEnd::kContinue;
    }
    failed = true;
    if (reason.empty()) reason = "The query tool could not run the script.";
    run.Log("Error in Vesk Process: ");
    return ApplyErrorPolicy(*output);
  }
};

}  // namespace

std::optional<int> ParseScriptTimeout(const std::string& text) {
  return settings::ParseDigits(settings::TrimBlanks(text), kMaxScriptTimeoutSeconds);
}

QueryToolCommand BuildQueryToolCommand(const ServerContext& server, const std::string& script,
                                       const std::string& outputFile, int timeoutSeconds) {
  QueryToolCommand command;
  command.program = server.QueryToolFolder + kQueryToolName;
  command.arguments = {"-S", server.CurrentServer,
                       "-d", server.CurrentDatabase,
                       "-U", server.CurrentLogin,
                       "-i", script,
                       "-o", outputFile};
  if (timeoutSeconds > 0)
    command.arguments.insert(command.arguments.end(), {"-t", std::to_string(timeoutSeconds)});
  const std::vector<std::string> encryption = QueryToolEncryptionArguments(server.encryption);
  command.arguments.insert(command.arguments.end(), encryption.begin(), encryption.end());
  command.environment = {{"SQLCMDPASSWORD", server.CurrentPassword}};
  return command;
}

std::vector<std::string> QueryToolEncryptionArguments(const SqlEncryption& encryption) {
  std::vector<std::string> arguments;
  if (encryption.modeWritten) arguments = {"--encrypt", EncryptModeName(encryption.mode)};
  if (encryption.trustServerCertificate) arguments.emplace_back("--trust-server-certificate");
  if (!encryption.serverCertificate.empty())
    arguments.insert(arguments.end(), {"--server-certificate", encryption.serverCertificate});
  if (!encryption.hostNameInCertificate.empty())
    arguments.insert(arguments.end(),
                     {"--host-name-in-certificate", encryption.hostNameInCertificate});
  return arguments;
}

std::string JoinOutputLines(const std::string& fileText) {
  std::string joined;
  joined.reserve(fileText.size());
  for (char c : fileText) {
    if (c != '\r' && c != '\n') joined += c;
  }
  return joined;
}

bool OutputShowsFailure(const std::string& joinedOutput) {
  return !ContainsNoCase(joinedOutput, "SUCCESSFUL") && ContainsNoCase(joinedOutput, "Server: Msg");
}

std::vector<std::string> ReadDelimitedFields(const std::string& text) {
  std::vector<std::string> fields;
  size_t i = 0;
  const size_t n = text.size();
  auto atLineBreak = [&](size_t k) { return text[k] == '\r' || text[k] == '\n'; };
  auto skipLineBreak = [&] {
    if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    ++i;
  };
  while (i < n) {
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string field;
    if (i < n && text[i] == '"') {
      size_t close = text.find('"', i + 1);
      if (close == std::string::npos) close = n;
      field = text.substr(i + 1, close - i - 1);
      i = std::min(close + 1, n);
      while (i < n && text[i] != ',' && !atLineBreak(i)) ++i;
    } else {
      size_t start = i;
      while (i < n && text[i] != ',' && !atLineBreak(i)) ++i;
      field = text.substr(start, i - start);
    }
    fields.push_back(field);
    if (i >= n) break;
    if (text[i] == ',') {
      ++i;
      if (i == n) fields.emplace_back();  // a comma at the very end leaves one empty field
    } else {
      skipLineBreak();
    }
  }
  return fields;
}

ScriptsEnd RunScripts(RunContext& run) {
  if (run.inputs.scriptText.empty()) {
    run.Log("No script(s) to vesk.");
    return ScriptsEnd::kContinue;
  }
  Result<std::vector<std::string>> scripts = SplitList(run.inputs.scriptText);
  if (!scripts) {
    run.Log("Script list has more than " + std::to_string(kMaxListItems) +
            " items; scripts skipped for Server: " + run.server.CurrentServer + ".");
    run.anyFailure = true;
    return ScriptsEnd::kContinue;
  }
  const bool failureEndsTheRun = run.server.MessagesTo == "Window" && run.server.WhenOccurs == 3;
  for (size_t i = 0; i < scripts->size(); ++i) {
    if (run.StopsForTheRunsEnd()) return ScriptsEnd::kEndRun;
    std::optional<SharedRunEnd::ScriptTurn> turn;
    if (run.runEnd != nullptr) turn.emplace(*run.runEnd, failureEndsTheRun && i > 0);
    if (run.StopsForTheRunsEnd()) return ScriptsEnd::kEndRun;
    ScriptRun one{run, (*scripts)[i], i};
    ScriptsEnd end = one.Run();
    if (end == ScriptsEnd::kEndRun) run.EndRun();
    if (end != ScriptsEnd::kContinue) return end;
  }
  return ScriptsEnd::kContinue;
}

}  // namespace pelvane::engine
