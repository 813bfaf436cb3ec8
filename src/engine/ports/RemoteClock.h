// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace pelvane::engine {

/// A machine's clock as it reports itself: the moment, and the machine's own time zone.
struct RemoteTime {
  std::time_t utc = 0;
  int minutesWestOfUtc = 0;
};

/// The time of day of a machine on the network.
class RemoteClock {
 public:
  virtual ~RemoteClock() = default;
  /// The machine's current time; nullopt when it cannot be read. An empty name is this machine.
  virtual std::optional<RemoteTime> CurrentTime(const std::string& machine) = 0;
};

}  // namespace pelvane::engine
