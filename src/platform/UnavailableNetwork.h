#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "engine/ports/NetworkShares.h"
#include "engine/ports/RemoteClock.h"
#include "engine/ports/ServiceControl.h"
#include "settings/Status.h"

namespace pelvane::platform {

/// Network folders are not reachable from this build: every connection is refused with
/// connect_code::kNotSupported and network paths cannot be written. Absolute paths of this
/// machine ("/...") are written directly, as a local drive is.
class UnavailableNetworkShares : public engine::NetworkShares {
 public:
  Connection Connect(const std::string& remotePath, const std::string& userName,
                     const std::string& password) override;
  bool Disconnect(const std::string& localName, bool force) override;
  /// Errors: 52 for a network path, 53 for a missing source, 58 for an existing destination
  /// with failIfExists, 76 for a missing folder, 75 for any other refusal.
  Status CopyFile(const std::string& source, const std::string& destination,
                  bool failIfExists) override;
  /// Writes the text and "\r\n". Errors as CopyFile's.
  Status AppendText(const std::string& path, const std::string& text) override;
};

/// Only this machine's clock can be read; other machines give no time.
class UnavailableRemoteClock : public engine::RemoteClock {
 public:
  std::optional<engine::RemoteTime> CurrentTime(const std::string& machine) override;
};

/// No service manager is reachable: every state is unknown and requests do nothing.
class UnavailableServiceControl : public engine::ServiceControl {
 public:
  engine::ServiceState QueryState(const std::string& machine, const std::string& service) override;
  void Start(const std::string& machine, const std::string& service) override;
  void Stop(const std::string& machine, const std::string& service) override;
};

}  // namespace pelvane::platform
