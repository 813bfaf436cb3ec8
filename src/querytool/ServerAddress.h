// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

#include "settings/Status.h"

namespace pelvane::querytool {

/// The port SQL Server listens on when a server is named without one.
constexpr int kDefaultSqlServerPort = 1433;

/// A server as the caller names it ("host,port" as SQL Server tools write it, "host:port", or a
/// bare host) in the "host:port" form db-lib opens directly, without a freetds.conf entry. A
/// named instance "host\instance" without a port stays as it is.
Result<std::string> DbLibServerName(const std::string& server);

/// DbLibServerName, with a named instance ("host\instance") resolved to "host:port" through
/// the SQL Server Browser within browserTimeout, so that db-lib's own browser loop, far
/// longer, never runs. A silent browser fails as an unreachable server does: "Cannot connect
/// to server ...: SQL Server Browser on HOST did not answer for instance INSTANCE."
Result<std::string> ConnectableServerName(const std::string& server,
                                          std::chrono::milliseconds browserTimeout);

}  // namespace pelvane::querytool
