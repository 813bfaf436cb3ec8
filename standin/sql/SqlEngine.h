// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "settings/Status.h"
#include "standin/sql/BatchEvents.h"

namespace pelvane::standin {

/// How a login attempt ended; the protocol layer words the ERROR tokens from it.
enum class LoginResult {
  kAccepted,
  kBadLogin,
  kUnknownDatabase,
  kPasswordExpired,
  kPasswordMustChange
};

/// One stand-in server (one port): its logins and its databases, each a SQLite file in the
/// server's folder, plus a catalog of stored procedures. Safe to share between the sessions
/// (client connections) of that server.
class ServerData {
 public:
  /// folder: the server's own folder (created when missing); logins "NAME:PASSWORD", maybe
  /// with ":expired" or ":mustchange" after; databases besides "master", which always exists;
  /// spPassword false: the server has no sp_password.
  static Result<std::shared_ptr<ServerData>> Open(const std::string& folder,
                                                  const std::vector<std::string>& logins,
                                                  const std::vector<std::string>& databases,
                                                  bool spPassword = true);
  virtual ~ServerData() = default;

  /// Checks the login and the database ("" means the login's default, "master").
  virtual LoginResult CheckLogin(const std::string& login, const std::string& password,
                                 const std::string& database) = 0;

  /// sp_password(old, new, login): return status 0 and the password changed when old matches;
  /// otherwise error 15211 and return status 1, nothing changed.
  virtual RpcOutcome ChangePassword(const std::string& oldPassword, const std::string& newPassword,
                                    const std::string& login) = 0;

  /// A login that asks to change its password (the LOGIN7 change-password flag): with the
  /// right old password the password is changed, an expired or must-change mark cleared, and
  /// the login goes on as any other; a wrong one is a bad login.
  virtual LoginResult ChangePasswordAtLogin(const std::string& login,
                                            const std::string& oldPassword,
                                            const std::string& newPassword,
                                            const std::string& database) = 0;

  /// Whether the server has sp_password.
  virtual bool HasSpPassword() const = 0;

  virtual std::string ServerName() const = 0;
};

/// One client connection's view: the current database and session options.
class Session {
 public:
  Session(std::shared_ptr<ServerData> server, std::string login, std::string database);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::string& database() const;

  /// Whether the client's connection is encrypted, as CONNECTIONPROPERTY('encrypt_option')
  /// reports it.
  void SetEncrypted(bool encrypted);

  /// Runs one SQL batch (T-SQL text, already split at GO by the client) and returns what it
  /// produced. Never throws; failures are ErrorMessage events.
  BatchOutcome RunBatch(const std::string& text);

  /// Runs a remote procedure call by name with its parameters as text (NULL as nullopt).
  RpcOutcome CallProcedure(const std::string& name,
                           const std::vector<std::optional<std::string>>& parameters);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace pelvane::standin
