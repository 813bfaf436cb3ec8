// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small fakes of the run's ports for the engine's unit tests, and a run built on them.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <numeric>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/MessageLog.h"
#include "engine/ProgramState.h"
#include "engine/RunContext.h"
#include "settings/PasswordScrambler.h"
#include "settings/SettingsStore.h"
#include "support/TempDir.h"

namespace pelvane::engine::fakes {

using Lines = std::vector<std::string>;
inline const std::string kSeparator(82, '-');

inline Lines Joined(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

/// Holds each caller until `count` callers have arrived; no time limit involved.
class Barrier {
 public:
  explicit Barrier(int count) : left_(count) {}
  void ArriveAndWait() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (--left_ <= 0) changed_.notify_all();
    changed_.wait(lock, [&] { return left_ <= 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int left_;
};

/// Records everything the run shows and asks, in order, as "kind: caption | text" entries, and
/// answers questions from a queue (No / Cancel / nullopt when it runs dry). Servers processed
/// side by side reach it through SerializedRunHost, which calls it one call at a time.
class FakeRunHost : public RunHost {
 public:
  std::vector<std::string> events;
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> textAnswers;
  TextLogWindow window;
  std::vector<std::vector<int>> marked;  // each ShowServersInProgress set
  std::vector<std::string> captions;
  int clearAddTimeStampCalls = 0;

  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    events.push_back(std::string(icon == MessageIcon::kCritical ? "critical: " : "message: ") +
                     caption + " | " + text);
  }
  Answer AskYesNo(const std::string& text, const std::string& caption) override {
    events.push_back("yesno: " + caption + " | " + text);
    return Pop(answers, Answer::kNo);
  }
  std::function<void()> beforeAnswer = [] {};  // runs first in each Yes/No/Cancel question
  Answer AskYesNoCancel(const std::string& text, const std::string& caption) override {
    beforeAnswer();
    events.push_back("yesnocancel: " + caption + " | " + text);
    return Pop(answers, Answer::kCancel);
  }
  std::optional<std::string> AskText(const std::string& prompt, const std::string& caption,
                                     const std::string& defaultText) override {
    events.push_back("input: " + caption + " | " + prompt + " | " + defaultText);
    return Pop(textAnswers, std::optional<std::string>());
  }
  engine::LogWindow& LogWindow() override { return window; }
  void ShowServerInProgress(int) override {}
  void ShowServersInProgress(const std::vector<int>& positions) override {
    marked.push_back(positions);
  }
  void SetRunButtonCaption(const std::string& caption) override { captions.push_back(caption); }
  void ClearAddTimeStamp() override { ++clearAddTimeStampCalls; }

  template <typename T>
  static T Pop(std::deque<T>& queue, T whenDry) {
    if (queue.empty()) return whenDry;
    T answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

/// Accepts every login unless told otherwise per server; answers queries per server.
/// The fakes below are safe for servers processed side by side: each call takes the fake's lock.
class FakeSqlClient : public SqlClient {
 public:
  std::mutex mutex;
  std::map<std::string, LoginCheck> loginChecks;            // by server; default accepted
  std::map<std::string, Result<QueryResult>> queryResults;  // by server; default no result set
  std::vector<SqlTarget> checkedLogins;
  std::vector<std::pair<SqlTarget, std::string>> queries;  // target and text
  std::vector<int> queryTimeouts;

  LoginCheck CheckLogin(const SqlTarget& target) override {
    std::lock_guard<std::mutex> lock(mutex);
    checkedLogins.push_back(target);
    auto found = loginChecks.find(target.server);
    if (found != loginChecks.end()) return found->second;
    return LoginCheck{LoginCheckKind::kAccepted, {}};
  }
  Result<QueryResult> RunQuery(const SqlTarget& target, const std::string& text,
                               int timeoutSeconds) override {
    std::lock_guard<std::mutex> lock(mutex);
    queries.emplace_back(target, text);
    queryTimeouts.push_back(timeoutSeconds);
    auto found = queryResults.find(target.server);
    if (found != queryResults.end()) return found->second;
    return QueryResult{};
  }
  PasswordChange ChangePassword(const std::string&, const std::string&, const std::string&,
                                const std::string&, const SqlEncryption&, int) override {
    return PasswordChange{PasswordChangeKind::kChanged, 0, {}};
  }
};

/// One start of a program as the fake saw it.
struct ProcessCall {
  std::string program;
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> environment;
  ProcessLimits limits;

  /// The value after an option ("-S"), empty when the option is missing.
  std::string Option(const std::string& option) const {
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
      if (arguments[i] == option) return arguments[i + 1];
    }
    return std::string();
  }
};

/// What the fake query tool does for one call: how it ends and what it writes to "-o".
struct ToolBehaviour {
  ProcessOutcome outcome{ProcessOutcome::Kind::kExited, 0, ""};
  std::optional<std::string> output = std::string();  // nullopt writes no output file
};

/// Plays the query tool: writes the chosen output to the file after "-o". The behaviour runs
/// outside the lock, so that it may wait for other servers.
class FakeProcessLauncher : public ProcessLauncher {
 public:
  std::mutex mutex;
  std::vector<ProcessCall> calls;
  std::function<ToolBehaviour(const ProcessCall&)> behaviour = [](const ProcessCall&) {
    return ToolBehaviour{};
  };

  ProcessOutcome RunAndWait(const std::string& program, const std::vector<std::string>& arguments,
                            const std::vector<std::pair<std::string, std::string>>& environment,
                            const ProcessLimits& limits) override {
    const ProcessCall call{program, arguments, environment, limits};
    {
      std::lock_guard<std::mutex> lock(mutex);
      calls.push_back(call);
    }
    ToolBehaviour chosen = behaviour(call);
    std::string outputFile = call.Option("-o");
    if (chosen.output && !outputFile.empty() &&
        chosen.outcome.kind == ProcessOutcome::Kind::kExited) {
      pelvane::testing::WriteBytes(outputFile, *chosen.output);
    }
    return chosen.outcome;
  }
};

/// Network folders that connect, copy and append as told, recording each request.
class FakeNetworkShares : public NetworkShares {
 public:
  std::mutex mutex;
  Connection nextConnection{connect_code::kConnected, "/mnt/share", ""};
  Status copyResult = Status::Ok();
  Status appendResult = Status::Ok();
  bool disconnectResult = true;
  std::vector<std::string> connected;                         // remote paths
  std::vector<std::string> disconnected;                      // local names
  std::vector<std::pair<std::string, std::string>> copies;    // source, destination
  std::vector<std::pair<std::string, std::string>> appended;  // path, text
  std::vector<std::string> credentials;                       // "user:password" of each Connect
  std::vector<bool> disconnectForced;                         // the force flag of each Disconnect
  std::vector<bool> copyFailIfExists;  // the failIfExists flag of each CopyFile
  /// With it, a successful copy leaves its destination behind, and a later copy onto it with
  /// failIfExists fails with 58 "File already exists".
  bool rememberCopies = false;
  std::set<std::string> existingFiles;

  Connection Connect(const std::string& remotePath, const std::string& userName,
                     const std::string& password) override {
    std::lock_guard<std::mutex> lock(mutex);
    connected.push_back(remotePath);
    credentials.push_back(userName + ":" + password);
    return nextConnection;
  }
  bool Disconnect(const std::string& localName, bool force) override {
    std::lock_guard<std::mutex> lock(mutex);
    disconnected.push_back(localName);
    disconnectForced.push_back(force);
    return disconnectResult;
  }
  Status CopyFile(const std::string& source, const std::string& destination,
                  bool failIfExists) override {
    std::lock_guard<std::mutex> lock(mutex);
    copies.emplace_back(source, destination);
    copyFailIfExists.push_back(failIfExists);
    if (rememberCopies && failIfExists && existingFiles.count(destination)) {
      return Status::Error("File already exists", 58);
    }
    if (rememberCopies && copyResult) existingFiles.insert(destination);
    return copyResult;
  }
  Status AppendText(const std::string& path, const std::string& text) override {
    std::lock_guard<std::mutex> lock(mutex);
    appended.emplace_back(path, text);
    return appendResult;
  }
};

/// A clock that every machine shares; nullopt when it cannot be read.
class FakeRemoteClock : public RemoteClock {
 public:
  std::optional<std::time_t> time;
  int minutesWest = 0;
  std::vector<std::string> asked;
  std::mutex mutex;
  std::optional<RemoteTime> CurrentTime(const std::string& machine) override {
    std::lock_guard<std::mutex> lock(mutex);
    asked.push_back(machine);
    if (!time) return std::nullopt;
    return RemoteTime{*time, minutesWest};
  }
};

/// Services whose state follows Start and Stop at once, unless the logon is refused.
class FakeServiceControl : public ServiceControl {
 public:
  std::map<std::string, ServiceState> states;  // by "machine/service"
  std::vector<std::string> requests;           // "start machine/service", "stop ..."
  std::deque<ServiceState> queryScript;        // answers queries in turn, before `states`
  /// Start and Stop with this password are refused at the logon and change nothing.
  std::optional<std::string> refusedPassword;

  std::vector<std::string> logins;  // the user of every call
  std::mutex mutex;

  ServiceState QueryState(const std::string& machine, const std::string& service,
                          const NetworkLogin& login) override {
    std::lock_guard<std::mutex> lock(mutex);
    logins.push_back(login.user);
    auto found = states.find(machine + "/" + service);
    return FakeRunHost::Pop(queryScript,
                            found == states.end() ? ServiceState::kUnknown : found->second);
  }
  ServiceReply Start(const std::string& machine, const std::string& service,
                     const NetworkLogin& login) override {
    return Request("start", machine + "/" + service, login, ServiceState::kRunning);
  }
  ServiceReply Stop(const std::string& machine, const std::string& service,
                    const NetworkLogin& login) override {
    return Request("stop", machine + "/" + service, login, ServiceState::kStopped);
  }

 private:
  ServiceReply Request(const std::string& what, const std::string& key, const NetworkLogin& login,
                       ServiceState after) {
    std::lock_guard<std::mutex> lock(mutex);
    logins.push_back(login.user);
    requests.push_back(what + " " + key);
    if (refusedPassword && login.password == *refusedPassword)
      return {true, "The network logon was refused (NT_STATUS_LOGON_FAILURE)"};
    states[key] = after;
    return {};
  }
};

/// Counts the pauses instead of taking them.
class FakeSleeper : public Sleeper {
 public:
  std::vector<int> pauses;
  std::mutex mutex;
  void SleepMs(int milliseconds) override {
    std::lock_guard<std::mutex> lock(mutex);
    pauses.push_back(milliseconds);
  }
  int TotalMs() const { return std::accumulate(pauses.begin(), pauses.end(), 0); }
};

/// A keyring in memory; `unavailable` makes every call fail as a missing keyring does.
class FakeKeyring : public Keyring {
 public:
  std::map<std::tuple<std::string, std::string, std::string>, std::pair<std::string, std::string>>
      entries;  // (file, server, key) -> (label, password)
  bool unavailable = false;
  std::mutex mutex;

  Result<std::optional<std::string>> Read(const KeyringEntry& e) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (unavailable) return Missing();
    auto found = entries.find({e.settingsFile, e.server, e.key});
    if (found == entries.end()) return std::optional<std::string>();
    return std::optional<std::string>(found->second.second);
  }
  Status Store(const KeyringEntry& e, const std::string& label,
               const std::string& password) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (unavailable) return Missing();
    entries[{e.settingsFile, e.server, e.key}] = {label, password};
    return Status::Ok();
  }
  Status Remove(const KeyringEntry& e) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (unavailable) return Missing();
    entries.erase({e.settingsFile, e.server, e.key});
    return Status::Ok();
  }

 private:
  static Status Missing() { return Status::Error("The desktop keyring is not available."); }
};

/// A whole run over the fakes, with its settings file and log files in a fresh folder.
/// Timestamps read "T".
struct FakeRun {
  pelvane::testing::TempDir dir;
  settings::SettingsStore store{dir.File("Pelvane.ZRQ")};
  ProgramState state;
  FakeRunHost host;
  FakeSqlClient sql;
  FakeProcessLauncher processes;
  FakeNetworkShares shares;
  FakeRemoteClock clock;
  FakeServiceControl services;
  FakeSleeper sleeper;
  FakeKeyring keyring;
  RunPorts ports{host, sql, processes, shares, clock, services, sleeper, keyring};
  MessageLog log{host.window, dir.File("tmpErrMsgs.log"), dir.File("Pelvane.log")};
  RunInputs inputs;
  RunContext run{inputs, ports, store, state, log, dir.File("bin"), false, false, false, {}};

  FakeRun() {
    state.SettingsFile = store.file();
    state.DateTimeFormat = "\"T\"";
    state.TempErrorFile = dir.File("tmpErrMsgs.log");
    state.FixedLogFile = log.FixedLogFile();
    state.QueryOutputFile = dir.File("PelvaneScript.out");
  }

  /// Positions the run on `server` and stores its keys; "CopyToPW" is given in clear.
  void OnServer(const std::string& server,
                std::initializer_list<std::pair<const char*, std::string>> keys) {
    run.server.CurrentServer = server;
    for (const auto& [key, value] : keys) {
      store.SaveINIValues(server, key,
                          std::string(key) == "CopyToPW"
                              ? settings::ScramblePassword(value, settings::PasswordKey)
                              : value);
    }
  }

  /// Registers a server's SQL login as the Configure Servers dialog stores it.
  void AddServer(const std::string& name, const std::string& login, const std::string& password,
                 const std::string& database) {
    store.SaveINIValues(name, "Login", login);
    store.SaveINIValues(name, "Password",
                        settings::ScramblePassword(password, settings::PasswordKey));
    store.SaveINIValues(name, "Database", database);
  }

  /// Servers SRV1..SRVn to run deploy.sql on, each with a login, password and database of its own
  /// (loginN, pwN, dbN); errors go to the window and the run goes on; the log goes to run.log.
  void ServersToRun(int count) {
    for (int i = 1; i <= count; ++i) {
      const std::string n = std::to_string(i);
      AddServer("SRV" + n, "login" + n, "pw" + n, "db" + n);
      inputs.processServers.push_back("SRV" + n);
    }
    store.SaveINIValues("Errors", "MessagesTo", "Window");
    store.SaveINIValues("Errors", "WhenOccurs", "1");
    inputs.scriptText = "deploy.sql";
    state.LogFile = dir.File("run.log");
  }

  /// The log window's lines, without their "\r\n".
  Lines LogLines() const {
    Lines lines;
    const std::string text = host.window.Text();
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
      end = std::min(text.find("\r\n", start), text.size());
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }
};

}  // namespace pelvane::engine::fakes
