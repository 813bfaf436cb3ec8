// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/ports/SqlClient.h"

namespace pelvane::platform {

/// Where a server name leads once its SQL Browser was asked, or why it leads nowhere.
struct ResolvedServer {
  bool ok = true;
  std::string value;           // "host,port" for a named instance, else the name as written
  engine::LoginCheck failure;  // when !ok: kBrowserSilent, kUnreachable or kOtherError
};

/// A named instance ("host\INSTANCE") resolved through its SQL Browser within browserTimeoutMs,
/// so that FreeTDS never runs its own, much longer, browser loop; "host\INSTANCE,port" keeps
/// only the port. Other names pass unchanged.
ResolvedServer ResolveServer(const std::string& server, int browserTimeoutMs);

}  // namespace pelvane::platform
