// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/ServerAddress.h"

#include <optional>

#include "settings/ProfileText.h"

#include "sqlbrowser/SqlBrowser.h"

namespace pelvane::querytool {
namespace {

std::string Trimmed(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

bool IsPort(const std::string& text) {
  const std::optional<int> port = settings::ParseDigits(text, 65535);
  return port && *port > 0;
}

}  // namespace

Result<std::string> DbLibServerName(const std::string& server) {
  const std::string text = Trimmed(server);
  size_t split = text.find(',');
  if (split == std::string::npos) split = text.find(':');
  const std::string host = Trimmed(text.substr(0, split));
  const std::string port = split == std::string::npos ? std::to_string(kDefaultSqlServerPort)
                                                      : Trimmed(text.substr(split + 1));
  if (host.empty()) return Status::Error("No server name in \"" + server + "\"");
  // A named instance (host\instance) is found through the server's browser service.
  if (split == std::string::npos && host.find('\\') != std::string::npos) return host;
  if (!IsPort(port)) return Status::Error("Invalid port in server name \"" + server + "\"");
  return host + ":" + port;
}

Result<std::string> ConnectableServerName(const std::string& server,
                                          std::chrono::milliseconds browserTimeout) {
  const sqlbrowser::ServerEndpoint endpoint = sqlbrowser::ResolveServerName(server, browserTimeout);
  switch (endpoint.end) {
    case sqlbrowser::ServerEndpoint::End::kAsWritten:
      return DbLibServerName(server);
    case sqlbrowser::ServerEndpoint::End::kResolved:
      return endpoint.host + ":" + std::to_string(endpoint.port);
    case sqlbrowser::ServerEndpoint::End::kSilent:
    case sqlbrowser::ServerEndpoint::End::kFailed:
      break;
  }
  return Status::Error("Cannot connect to server " + Trimmed(server) + ": " + endpoint.message);
}

}  // namespace pelvane::querytool
