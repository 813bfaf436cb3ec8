// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConnectionCheck.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>

#include "engine/BrowserTimeout.h"
#include "engine/ServerAdmin.h"
#include "engine/SqlEncryptionSettings.h"

namespace pelvane::engine {

namespace {

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find_first_of("\r\n"));
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  return line;
}

std::string YesNo(const std::string& option) {
  if (option == "TRUE" || option == "true" || option == "1") return "yes";
  if (option == "FALSE" || option == "false" || option == "0") return "no";
  return "";
}

std::string Detail(const ConnectionProbe& probe) {
  // The server's own message for the database says more than the login's refusal beside it.
  for (const SqlError& error : probe.errors)
    if (error.nativeError == 4060 || error.nativeError == 4064) return error.message;
  if (probe.login.kind != LoginCheckKind::kAccepted && !probe.login.error.message.empty())
    return probe.login.error.message;
  return probe.errors.empty() ? "" : probe.errors.front().message;
}

}  // namespace

ConnectionCheckRow CheckConnection(SqlClient& sql, const SqlTarget& target, int timeoutSeconds) {
  ConnectionCheckRow row;
  row.server = target.server;
  ConnectionProbe probe;
  try {
    probe = sql.ProbeConnection(target, kConnectionCheckQuery, timeoutSeconds);
  } catch (const std::exception& e) {
    probe.login.kind = LoginCheckKind::kOtherError;
    probe.login.error.message = e.what();
    probe.errors = {probe.login.error};
  }
  row.cause = ClassifyConnection(probe);
  if (row.cause != ConnectionCause::kOk) {
    row.detail = Detail(probe);
    return row;
  }
  if (!probe.result.rows.empty()) {
    const std::vector<std::string>& values = probe.result.rows.front();
    if (values.size() > 0) row.version = FirstLine(values[0]);
    if (values.size() > 1) row.database = values[1];
    if (values.size() > 2) row.encrypted = YesNo(values[2]);
    if (values.size() > 3) row.tlsVersion = values[3];
  } else {
    // Connected, but the details could not be read: still OK, and said why.
    row.detail = Detail(probe);
  }
  return row;
}

Result<std::vector<SqlTarget>> ConnectionCheckTargets(const settings::SettingsStore& store,
                                                      Keyring& keyring,
                                                      const std::vector<std::string>& servers) {
  std::vector<SqlTarget> targets;
  const int browserTimeoutMs = StoredBrowserTimeoutMs(store);
  for (const std::string& server : servers) {
    Result<SqlLogin> login = LoadSqlLogin(store, keyring, server);
    if (!login) return login.status();
    targets.push_back({server, login->login, login->password, login->database});
    targets.back().encryption = LoadSqlEncryption(store, server);
    targets.back().browserTimeoutMs = browserTimeoutMs;
  }
  return targets;
}

void CheckConnections(const std::function<std::shared_ptr<SqlClient>()>& makeClient,
                      const std::vector<SqlTarget>& targets, int parallel, int timeoutSeconds,
                      const std::function<void(size_t, const ConnectionCheckRow&)>& done,
                      const std::atomic<bool>* stop) {
  std::atomic<size_t> next{0};
  std::mutex reporting;
  auto work = [&] {
    std::shared_ptr<SqlClient> client;
    for (;;) {
      if (stop != nullptr && stop->load()) return;
      const size_t index = next++;
      if (index >= targets.size()) return;
      ConnectionCheckRow row;
      if (!client) client = makeClient();
      if (client) {
        row = CheckConnection(*client, targets[index], timeoutSeconds);
      } else {
        row.server = targets[index].server;
        row.detail = "No SQL client could be made.";
      }
      std::lock_guard<std::mutex> lock(reporting);
      done(index, row);
    }
  };
  const size_t workers = std::min(targets.size(), static_cast<size_t>(std::max(1, parallel)));
  std::vector<std::thread> threads;
  try {
    for (size_t i = 1; i < workers; ++i) threads.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked for still check every server.
  }
  work();
  for (std::thread& thread : threads) thread.join();
}

}  // namespace pelvane::engine
