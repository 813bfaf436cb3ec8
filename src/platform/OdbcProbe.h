// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/ports/SqlClient.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcConnectionString.h"

namespace pelvane::platform {

/// How a probe connects.
struct OdbcProbeSettings {
  OdbcDriverSettings driver;
  BraceEscaping braceEscaping = BraceEscaping::kVerbatim;
  int loginTimeoutSeconds = 15;
};

/// One connection to the target's server and database, one query on it. A refused or
/// unreachable connection is classified as the login check classifies it; an unreachable one
/// gets a record that says why (see DiagnoseUnreachable).
/// `serverKey`/`serverValue` name the server in the connection string: SERVER= as written, or
/// SERVERNAME= a section of the private FreeTDS configuration.
engine::ConnectionProbe ProbeOverOdbc(const OdbcProbeSettings& settings,
                                      const engine::SqlTarget& target, const std::string& text,
                                      int timeoutSeconds, const std::string& serverKey,
                                      const std::string& serverValue);

/// The login check's classification of a failed connection, with the sentence the user reads
/// for an expired or must-change password.
engine::LoginCheck ExplainLoginFailure(const std::vector<engine::SqlError>& errors,
                                       const engine::SqlTarget& target);

}  // namespace pelvane::platform
