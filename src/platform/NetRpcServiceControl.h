// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "engine/ports/ServiceControl.h"

namespace pelvane::platform {

/// The state a "net rpc service status" answer names; kUnknown for anything else (an unknown
/// service, a refused open, an unreachable machine).
engine::ServiceState ServiceStateFromNetAnswer(int exitCode, const std::string& output);

/// What a start or stop answer of "net rpc service" tells: a refused logon (wrong password,
/// unknown user, locked or disabled account), or nothing.
engine::ServiceReply ServiceReplyFromNetAnswer(int exitCode, const std::string& output);

/// Services on a machine's service control manager over MS-RPC (svcctl), through Samba's
/// `net rpc service`. The password goes to `net` through an inherited pipe (PASSWD_FD), never
/// through its arguments or environment; an empty user logs on with the user's own Kerberos
/// ticket. Every call is bounded by a time-out. A machine may carry a port ("name:port").
class NetRpcServiceControl : public engine::ServiceControl {
 public:
  explicit NetRpcServiceControl(std::string netProgram = "net",
                                std::chrono::milliseconds timeout = kDefaultTimeout)
      : netProgram_(std::move(netProgram)), timeout_(timeout) {}

  engine::ServiceState QueryState(const std::string& machine, const std::string& service,
                                  const engine::NetworkLogin& login) override;
  engine::ServiceReply Start(const std::string& machine, const std::string& service,
                             const engine::NetworkLogin& login) override;
  engine::ServiceReply Stop(const std::string& machine, const std::string& service,
                            const engine::NetworkLogin& login) override;

  static constexpr std::chrono::milliseconds kDefaultTimeout{10000};

  /// The arguments of one request; empty when the machine name is not usable.
  static std::vector<std::string> Arguments(const std::string& verb, const std::string& machine,
                                            const std::string& service,
                                            const engine::NetworkLogin& login);

 private:
  struct Answer {
    int exitCode = -1;
    std::string output;
  };
  Answer Call(const std::string& verb, const std::string& machine, const std::string& service,
              const engine::NetworkLogin& login);

  std::string netProgram_;
  std::chrono::milliseconds timeout_;
};

}  // namespace pelvane::platform
