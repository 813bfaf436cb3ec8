// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::engine {

/// The states a service manager reports; kUnknown when the state cannot be read.
enum class ServiceState {
  kUnknown = 0,
  kStopped = 1,
  kStartPending = 2,
  kStopPending = 3,
  kRunning = 4,
  kContinuePending = 5,
  kPausePending = 6,
  kPaused = 7,
};

/// The network credentials a server's service is reached with ("CopyToLogin", and "CopyToPW"
/// unscrambled). An empty user means the user's own credentials, where the platform has them.
struct NetworkLogin {
  std::string user;
  std::string password;
};

/// What a start or stop request tells: only whether the machine refused the network logon
/// itself (nothing was then asked of the service). Everything else shows in the state read
/// afterwards.
struct ServiceReply {
  bool logonRefused = false;
  std::string message;  // the refusal in words; empty otherwise
};

/// A named service on a named machine. Requests report only a refused logon; the state tells
/// the rest.
class ServiceControl {
 public:
  virtual ~ServiceControl() = default;
  virtual ServiceState QueryState(const std::string& machine, const std::string& service,
                                  const NetworkLogin& login) = 0;
  virtual ServiceReply Start(const std::string& machine, const std::string& service,
                             const NetworkLogin& login) = 0;
  virtual ServiceReply Stop(const std::string& machine, const std::string& service,
                            const NetworkLogin& login) = 0;
};

}  // namespace pelvane::engine
