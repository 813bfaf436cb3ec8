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

/// A named service on a named machine. Requests report nothing; only the state tells.
class ServiceControl {
 public:
  virtual ~ServiceControl() = default;
  virtual ServiceState QueryState(const std::string& machine, const std::string& service) = 0;
  virtual void Start(const std::string& machine, const std::string& service) = 0;
  virtual void Stop(const std::string& machine, const std::string& service) = 0;
};

}  // namespace pelvane::engine
