// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/MessageLog.h"
#include "engine/ProgramState.h"
#include "engine/RunControl.h"
#include "engine/RunRecorder.h"
#include "engine/ServerLog.h"
#include "engine/SharedRunEnd.h"
#include "engine/TimeStampChoice.h"
#include "engine/ports/Keyring.h"
#include "engine/ports/NetworkShares.h"
#include "engine/ports/ProcessLauncher.h"
#include "engine/ports/RemoteClock.h"
#include "engine/ports/RunHost.h"
#include "engine/ports/ServiceControl.h"
#include "engine/ports/Sleeper.h"
#include "engine/ports/SqlClient.h"
#include "settings/SettingsStore.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// What a run reads from the Vesk SQL dialog and the windows beside it, taken when it starts.
struct RunInputs {
  std::vector<std::string> processServers;  // lstVeskServers, in list order
  std::string scriptText;                   // txtSQLScript
  std::string copyFileText;                 // txtCopyFileTo
  bool copyFile = false;                    // chkCopyFile
  bool overwriteFile = false;               // chkOverwriteFile
  bool appendText = false;                  // chkAppendText
  bool restartServices = false;             // chkRestartServices
  bool simpleScriptMode = false;            // mnSimpleScript checked
  std::string simpleScriptText;             // txtSimpleScript
  std::string appendTextText;               // txtAppendText
  bool addTimeStamp = false;                // chkAddTimeStamp; the keyword question may clear it
  /// Seconds a script may run before it is ended; unset: "Pelvane"/"ScriptTimeout".
  std::optional<int> scriptTimeoutSeconds;
  /// Servers processed at once; unset: "Errors"/"ParallelServers".
  std::optional<int> parallelServers;
};

/// The world as the run reaches it.
struct RunPorts {
  RunHost& host;
  SqlClient& sql;
  ProcessLauncher& processes;
  NetworkShares& shares;
  RemoteClock& clock;
  ServiceControl& services;
  Sleeper& sleeper;
  Keyring& keyring;
};

/// The server being processed: its name, its SQL login and the policy read for it.
struct ServerContext {
  int position = 0;  // 1-based position in the Process Servers list
  std::string CurrentServer;
  std::string CurrentLogin;
  std::string CurrentPassword;  // plain text
  std::string CurrentDatabase;
  std::string MessagesTo;
  int16_t WhenOccurs = 1;
  std::string QueryToolFolder;
  /// The first refusal of the server's network credentials ("CopyToLogin", "CopyToPW") in this
  /// run, in words; empty while none. They are not offered again for this server in this run,
  /// so that one run costs at most one failed logon towards the account's lockout.
  std::string networkLogonRefused{};
  int networkLogonRefusedCode = 0;  // the refused connection's result class
  SqlEncryption encryption{};       // "Encrypt" and the certificate keys read for the server
};

/// How a step asks the run to go on.
enum class StepEnd { kContinue, kEndRun };

/// Everything one run works with. The program-wide variables of the classic program live here
/// for the length of a run, so that nothing is global.
struct RunContext {
  RunInputs& inputs;
  RunPorts& ports;
  settings::SettingsStore& store;
  ProgramState& state;
  MessageLog& log;
  /// The folder the query tool is looked for in when "QAPath" is empty.
  std::string defaultQueryToolFolder;

  /// The server's view of the run-wide query tool decision (runEnd holds the run's).
  bool QueryToolMissing = false;
  bool ContinueOtherSteps = false;
  bool anyFailure = false;  // any script or step UNSUCCESSFUL or failed
  ServerContext server{};
  /// The user's stop request, when the front end offers one.
  const RunControl* control = nullptr;
  /// Set when the run is to end at once (SIGINT, SIGTERM): the login check or query under way
  /// is given up, and no further step or server starts.
  const std::atomic<bool>* interrupted = nullptr;
  /// Where the steps record their outcomes beside the log, when the front end keeps them.
  RunRecorder* recorder = nullptr;
  /// The run's servers share what follows; RunVesk sets it for every server. Unset (a step run
  /// on its own, in its tests) the step works as the only server of its run.
  ///
  /// The server's own log, in list order with the others'; unset: straight to `log`.
  ServerLog* serverLog = nullptr;
  /// The run-wide "Add TimeStamp" decision; unset: inputs.addTimeStamp.
  TimeStampChoice* timeStamp = nullptr;
  /// Called the moment a server breaks or ends the run, so that no further server is handed
  /// out while it finishes its other steps.
  std::function<void()> stopHandingOut{};
  /// Why the step in progress failed, in the words of its log or message: its first failure.
  std::string stepFailure{};
  /// The run-wide end and the query tool's decision; unset: the server that ends the run is
  /// the only one in progress.
  SharedRunEnd* runEnd = nullptr;
  /// This server stopped because another one ended the run.
  bool stoppedByRunEnd = false;

  /// The recorder, or one that keeps nothing.
  RunRecorder& Recorder() const;
  bool Interrupted() const { return interrupted != nullptr && interrupted->load(); }

  /// The current local time formatted with DateTimeFormat.
  std::string Timestamp() const;
  /// Writes a log line (ended) or a piece of one; a log that cannot be written is shown as the
  /// run's general error and the run goes on.
  void Log(const std::string& text, bool endLine = true);
  /// Text that goes straight into the log window, also when the log is deferred.
  void WindowText(const std::string& text);
  /// The run is over for every server (side by side: for the others too).
  void EndRun();
  /// Asked before each script and step: true, with a line saying so, when another server has
  /// ended the run and this one is to start nothing more.
  bool StopsForTheRunsEnd();
  /// Marks the run as failed and keeps the reason when it is the step's first.
  void StepFailed(const std::string& reason);
  /// The run's general error message: number, ", ", description, " occured in Pelvane.".
  void ShowGeneralError(const Status& error);
};

/// The text of the run's general error message.
std::string GeneralErrorText(const Status& error);

}  // namespace pelvane::engine
