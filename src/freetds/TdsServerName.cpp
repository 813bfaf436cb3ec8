// SPDX-License-Identifier: GPL-3.0-or-later
#include "freetds/TdsServerName.h"

#include <algorithm>

#include "settings/ProfileText.h"

namespace pelvane::freetds {

namespace {

bool ReadPort(const std::string& text, int& port) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  port = std::stoi(text);
  return port > 0 && port <= 65535;
}

}  // namespace

Result<TdsServerName> ParseTdsServerName(const std::string& server) {
  const std::string text(settings::TrimBlanks(server));
  size_t split = text.find(',');
  // "host:port", but not an IPv6 address, which holds several colons.
  if (split == std::string::npos && std::count(text.begin(), text.end(), ':') == 1)
    split = text.find(':');
  TdsServerName name;
  std::string host(settings::TrimBlanks(text.substr(0, split)));
  if (split != std::string::npos &&
      !ReadPort(std::string(settings::TrimBlanks(text.substr(split + 1))), name.port))
    return Status::Error("Invalid port in server name \"" + server + "\"");
  const size_t backslash = host.find('\\');
  if (backslash != std::string::npos) {
    if (split == std::string::npos) name.instance = host.substr(backslash + 1);
    host.erase(backslash);
  }
  if (host.empty()) return Status::Error("No server name in \"" + server + "\"");
  name.host = host;
  return name;
}

}  // namespace pelvane::freetds
