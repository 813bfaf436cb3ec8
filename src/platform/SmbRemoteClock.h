// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "engine/ports/RemoteClock.h"

namespace pelvane::platform {

/// A machine's clock as its SMB server tells it in the answer to a negotiate request: no
/// logon and no credentials, one TCP connection to port 445 (or the port in "machine:port"),
/// bounded by a time-out. An empty name is this machine, read from the local clock.
///
/// SMB1 answers carry the server's time zone; SMB2 answers do not, and then the machine is
/// taken to be in this machine's time zone.
class SmbRemoteClock : public engine::RemoteClock {
 public:
  explicit SmbRemoteClock(int timeoutMs = kDefaultTimeoutMs) : timeoutMs_(timeoutMs) {}
  std::optional<engine::RemoteTime> CurrentTime(const std::string& machine) override;

  static constexpr int kDefaultTimeoutMs = 5000;
  static constexpr int kSmbPort = 445;

 private:
  int timeoutMs_;
};

}  // namespace pelvane::platform
