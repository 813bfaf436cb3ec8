// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

namespace pelvane::sqlbrowser {

/// The port a server's SQL Browser answers on.
constexpr int kBrowserPort = 1434;
/// How long a lookup waits when "BrowserTimeout" does not say.
constexpr std::chrono::milliseconds kDefaultBrowserTimeout(2000);

/// Where to connect for a server name as SQL Server tools write it.
struct ServerEndpoint {
  enum class End {
    kAsWritten,  // no named instance, or nothing to resolve: use the name as it stands
    kResolved,   // host and port to connect to
    kSilent,     // the browser did not answer in time; message says so
    kFailed,     // the name cannot be resolved; message says why
  };
  End end = End::kAsWritten;
  std::string host;
  int port = 0;
  std::string message;
};

/// "host\INSTANCE" asks the SQL Browser on host for the instance's TCP port, sending the
/// request again once within the time-out; "host\INSTANCE,port" (or ":port") takes the port as
/// given (the port wins, nothing is sent); any other name comes back kAsWritten. Never waits longer
/// than `timeout` for the browser (host name resolution aside).
ServerEndpoint ResolveServerName(const std::string& server, std::chrono::milliseconds timeout);

/// The sentence reported when the browser stays silent.
std::string BrowserSilentMessage(const std::string& host, const std::string& instance);

}  // namespace pelvane::sqlbrowser
