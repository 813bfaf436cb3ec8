// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <csignal>
#include <thread>

namespace pelvane::cli {

/// Takes SIGINT and SIGTERM for the length of a run: instead of ending the process at once
/// (and leaving the query tool running), they set interrupted(), which the process launcher
/// watches; it ends the tool, and the run logs that it was interrupted. The signals are
/// blocked on every thread and taken by a watcher thread, so no handler and no global is
/// needed. The previous signal mask comes back when the object goes.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  const std::atomic<bool>& interrupted() const { return interrupted_; }
  /// The signal that arrived, 0 while none has.
  int signal() const { return signal_.load(); }

 private:
  void Take(int signal);

  std::atomic<bool> interrupted_{false};
  std::atomic<int> signal_{0};
  std::atomic<bool> done_{false};
  sigset_t previousMask_{};
  int signalFd_ = -1;  // the signals, readable when one is pending
  int wakeFd_ = -1;    // written when the run is over
  std::thread watcher_;
};

}  // namespace pelvane::cli
