// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "standin/sql/SqlEngine.h"
#include "standin/sql/SqliteDb.h"

namespace pelvane::standin {

/// The ServerData of one stand-in server: a folder holding <database>.sqlite files, with the
/// logins kept in master's file so that password changes outlive the process.
class ServerStore : public ServerData {
 public:
  static Result<std::shared_ptr<ServerStore>> Create(const std::string& folder,
                                                     const std::vector<std::string>& logins,
                                                     const std::vector<std::string>& databases,
                                                     bool spPassword = true);

  LoginResult CheckLogin(const std::string& login, const std::string& password,
                         const std::string& database) override;
  RpcOutcome ChangePassword(const std::string& oldPassword, const std::string& newPassword,
                            const std::string& login) override;
  LoginResult ChangePasswordAtLogin(const std::string& login, const std::string& oldPassword,
                                    const std::string& newPassword,
                                    const std::string& database) override;
  bool HasSpPassword() const override { return spPassword_; }
  std::string ServerName() const override { return serverName_; }

  /// The database's name as it was created, found case-insensitively; "" means master.
  std::optional<std::string> FindDatabase(const std::string& name) const;

  /// A new connection of its own to an existing database (by its canonical name).
  Result<SqliteHandle> Connect(const std::string& canonicalName) const;

 private:
  ServerStore(std::string folder, SqliteHandle master);
  Status AddDatabase(const std::string& name);
  Status SetLogin(const std::string& nameAndPassword);
  std::string PathOf(const std::string& canonicalName) const;

  const std::string folder_;
  const std::string serverName_;
  mutable std::mutex mutex_;  // guards master_ and databases_
  SqliteHandle master_;
  std::map<std::string, std::string> databases_;  // lower-case name -> name as created
  std::map<std::string, LoginResult> marks_;      // login -> expired or must change
  bool spPassword_ = true;
};

/// Whether a database name can be a file name in the server's folder.
bool IsValidDatabaseName(const std::string& name);

/// The name this server reports as @@SERVERNAME, derived from its folder.
std::string ServerNameForFolder(const std::string& folder);

}  // namespace pelvane::standin
