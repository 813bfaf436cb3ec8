// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ConnectionCause.h"
#include "engine/ports/Keyring.h"
#include "engine/ports/SqlClient.h"
#include "settings/SettingsStore.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// What one server's check found.
struct ConnectionCheckRow {
  std::string server;
  ConnectionCause cause = ConnectionCause::kOtherError;
  std::string detail;      // the failure as reported; empty when OK
  std::string version;     // the first line of @@VERSION
  std::string database;    // the database the login ended in
  std::string encrypted;   // "yes", "no", or empty when the server did not say
  std::string tlsVersion;  // empty when nobody knows it
};

/// The one query a check sends once connected. CONNECTIONPROPERTY reads the connection's own
/// row of sys.dm_exec_connections without the VIEW SERVER STATE permission the view needs.
constexpr char kConnectionCheckQuery[] =
    "SELECT @@VERSION, DB_NAME(), CONNECTIONPROPERTY('encrypt_option')";

/// Connects to one server once, as its stored login, and classifies the outcome.
ConnectionCheckRow CheckConnection(SqlClient& sql, const SqlTarget& target, int timeoutSeconds);

/// The stored login of each server, in the order given; read only, nothing is written.
Result<std::vector<SqlTarget>> ConnectionCheckTargets(const settings::SettingsStore& store,
                                                      Keyring& keyring,
                                                      const std::vector<std::string>& servers);

/// Checks every target, `parallel` at a time (at least one), each worker with the client
/// makeClient gives it (a client of its own unless parallel is 1). Each row goes to done, with its
/// index, as soon as it is known: on a worker thread, one call at a time. Returns when every target
/// is done, or when stop is set (the targets not begun then get no row).
void CheckConnections(const std::function<std::shared_ptr<SqlClient>()>& makeClient,
                      const std::vector<SqlTarget>& targets, int parallel, int timeoutSeconds,
                      const std::function<void(size_t, const ConnectionCheckRow&)>& done,
                      const std::atomic<bool>* stop = nullptr);

}  // namespace pelvane::engine
