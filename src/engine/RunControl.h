// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>

namespace pelvane::engine {

/// What the run's user can do to a run from another thread while it works. A stop takes effect
/// between servers: the server in progress always finishes, so nothing is left half done. A
/// stop now also ends the query tool that runs a script, and nothing after that script runs.
class RunControl {
 public:
  void RequestStop() { stopRequested_.store(true); }
  bool StopRequested() const { return stopRequested_.load(); }
  void RequestStopNow() {
    stopNow_.store(true);
    stopRequested_.store(true);
  }
  bool StopNowRequested() const { return stopNow_.load(); }
  /// For the launcher, which ends the program it waits for once this is true.
  const std::atomic<bool>* StopNowFlag() const { return &stopNow_; }
  /// Ready for the next run.
  void Reset() {
    stopRequested_.store(false);
    stopNow_.store(false);
  }

 private:
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> stopNow_{false};
};

}  // namespace pelvane::engine
