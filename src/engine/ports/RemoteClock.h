#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace pelvane::engine {

/// The time of day of a machine on the network.
class RemoteClock {
 public:
  virtual ~RemoteClock() = default;
  /// The machine's current time; nullopt when it cannot be read. An empty name is this machine.
  virtual std::optional<std::time_t> CurrentTime(const std::string& machine) = 0;
};

}  // namespace pelvane::engine
