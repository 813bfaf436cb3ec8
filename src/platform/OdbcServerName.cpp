// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcServerName.h"

#include <chrono>

#include "platform/OdbcDiagnostics.h"
#include "settings/ProfileText.h"
#include "sqlbrowser/SqlBrowser.h"

namespace pelvane::platform {

ResolvedServer ResolveServer(const std::string& server, int browserTimeoutMs) {
  ResolvedServer result;
  result.value = std::string(settings::TrimBlanks(server));
  const sqlbrowser::ServerEndpoint endpoint =
      sqlbrowser::ResolveServerName(result.value, std::chrono::milliseconds(browserTimeoutMs));
  switch (endpoint.end) {
    case sqlbrowser::ServerEndpoint::End::kAsWritten:
      return result;
    case sqlbrowser::ServerEndpoint::End::kResolved:
      result.value = endpoint.host + "," + std::to_string(endpoint.port);
      return result;
    case sqlbrowser::ServerEndpoint::End::kSilent:
      result.failure.kind = engine::LoginCheckKind::kBrowserSilent;
      break;
    case sqlbrowser::ServerEndpoint::End::kFailed:
      result.failure.kind = engine::LoginCheckKind::kUnreachable;
      break;
  }
  result.ok = false;
  // Raised by this program, not by the driver or a server.
  result.failure.error = MakeSqlError("", 0, endpoint.message);
  result.failure.error.source = "SQL Server Browser";
  return result;
}

}  // namespace pelvane::platform
