// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/ports/SqlClient.h"
#include "platform/OdbcHandles.h"

namespace pelvane::platform {

/// Which driver to name and where to look when that name is not registered.
struct OdbcDriverSettings {
  std::string name;
  std::vector<std::string> fallbackLibraries;
};

/// What a connection needs beyond the driver.
struct OdbcConnectRequest {
  std::string driverKeyword = "DRIVER";  // spelled as the caller's connection string spells it
  std::string attributes;                // "SERVER=...;UID=...;PWD=...;" after the driver
  int loginTimeoutSeconds = 60;          // connect and log in
  int connectionTimeoutSeconds = 60;     // any later request on the connection
  std::vector<std::string> secrets;      // texts that never reach a message (passwords)
  std::string oldPassword;  // when set, the login changes its password from this to PWD
};

/// An environment with one connection, disconnected and freed when the object goes.
class OdbcConnection {
 public:
  /// Connects without ever prompting; `ok()` tells whether it worked, `errors()` why not.
  OdbcConnection(const OdbcDriverSettings& driver, const OdbcConnectRequest& request);

  bool ok() const { return connection_.connected(); }
  const std::vector<engine::SqlError>& errors() const { return errors_; }
  SQLHANDLE handle() const { return connection_.get(); }

  /// A new statement on the connection, or the errors that prevented it.
  bool NewStatement(StatementHandle& statement, std::vector<engine::SqlError>& errors) const;

  /// The diagnostics of a handle that belongs to this connection, scrubbed and annotated.
  std::vector<engine::SqlError> Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) const;

  /// Closes the connection now rather than when the object goes.
  void Close() { connection_.Disconnect(); }

 private:
  void Fail(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& fallbackMessage);

  std::vector<std::string> secrets_;
  std::string driverNote_;
  EnvironmentHandle environment_;
  ConnectionHandle connection_;
  std::vector<engine::SqlError> errors_;
};

}  // namespace pelvane::platform
