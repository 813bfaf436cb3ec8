// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "settings/Status.h"

namespace pelvane::freetds {

/// A server name taken apart: "host,port", "host:port", "host\instance", "host\instance,port"
/// (the port wins) or a bare host (port 1433).
struct TdsServerName {
  std::string host;
  int port = 1433;
  std::string instance;  // set only when no port was given
};

Result<TdsServerName> ParseTdsServerName(const std::string& server);

}  // namespace pelvane::freetds
