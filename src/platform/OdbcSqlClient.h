// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/ports/SqlClient.h"
#include "platform/OdbcConnectionString.h"

namespace pelvane::platform {

/// SQL Server through unixODBC and the driver registered as "SQL Server" (FreeTDS here). A
/// login check ends within its login time-out, a query within its two time-outs, whatever the
/// server does: the driver's own time-outs only limit each wait for a byte.
class OdbcSqlClient final : public engine::SqlClient {
 public:
  struct Options {
    std::string driverName = "SQL Server";
    /// Driver libraries to name by path when `driverName` is not registered (empty: where
    /// FreeTDS installs its driver).
    std::vector<std::string> fallbackLibraries;
    /// Connect-and-login time-out of the login check and the password change.
    int connectTimeoutSeconds = 15;
    /// How the driver reads "}" in braced values: FreeTDS 1.3 (this platform's) keeps "}}".
    BraceEscaping braceEscaping = BraceEscaping::kVerbatim;
    /// Set when the caller's run is interrupted: a login check or query under way is given up
    /// at once rather than at its time-out.
    const std::atomic<bool>* interrupted = nullptr;
  };

  /// The registered "SQL Server" driver, FreeTDS's library as the fallback, 15-second logins.
  OdbcSqlClient();
  explicit OdbcSqlClient(Options options);

  engine::LoginCheck CheckLogin(const engine::SqlTarget& target) override;
  Result<engine::QueryResult> RunQuery(const engine::SqlTarget& target, const std::string& text,
                                       int timeoutSeconds) override;
  Status StreamQuery(const engine::SqlTarget& target, const std::string& text, int timeoutSeconds,
                     engine::QueryRowSink& sink) override;
  using engine::SqlClient::ChangePassword;
  engine::ConnectionProbe ProbeConnection(const engine::SqlTarget& target, const std::string& text,
                                          int timeoutSeconds) override;
  engine::PasswordChange ChangePassword(const std::string& server, const std::string& login,
                                        const std::string& oldPassword,
                                        const std::string& newPassword,
                                        const engine::SqlEncryption& encryption,
                                        int browserTimeoutMs) override;

 private:
  Options options_;
};

}  // namespace pelvane::platform
