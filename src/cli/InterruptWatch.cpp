// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InterruptWatch.h"

#include <pthread.h>

#include <ctime>

namespace pelvane::cli {

namespace {
sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}
}  // namespace

InterruptWatch::InterruptWatch() {
  sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, &previousMask_);
  watcher_ = std::thread([this, signals] {
    // Wakes every tenth of a second to see whether the run is over.
    const timespec slice{0, 100'000'000};
    while (!done_.load()) {
      int taken = sigtimedwait(&signals, nullptr, &slice);
      if (taken > 0 && !interrupted_.load()) {
        signal_.store(taken);
        interrupted_.store(true);
      }
    }
  });
}

InterruptWatch::~InterruptWatch() {
  done_.store(true);
  watcher_.join();
  pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

}  // namespace pelvane::cli
