#pragma once

#include <atomic>

namespace pelvane::engine {

/// What the run's user can do to a run from another thread while it works. A stop takes effect
/// between servers: the server in progress always finishes, so nothing is left half done.
class RunControl {
 public:
  void RequestStop() { stopRequested_.store(true); }
  bool StopRequested() const { return stopRequested_.load(); }
  /// Ready for the next run.
  void Reset() { stopRequested_.store(false); }

 private:
  std::atomic<bool> stopRequested_{false};
};

}  // namespace pelvane::engine
