// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InterruptWatch.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <initializer_list>

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
  signalFd_ = signalfd(-1, &signals, SFD_CLOEXEC);
  wakeFd_ = eventfd(0, EFD_CLOEXEC);
  if (signalFd_ >= 0 && wakeFd_ >= 0) {
    // Sleeps until a signal comes or the run is over: the end of the run is not held up.
    watcher_ = std::thread([this] {
      pollfd watched[2] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
      for (;;) {
        if (::poll(watched, 2, -1) < 0) {
          if (errno == EINTR) continue;
          return;
        }
        if (watched[1].revents != 0) return;
        signalfd_siginfo info{};
        if (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
          Take(static_cast<int>(info.ssi_signo));
      }
    });
    return;
  }
  // Without those descriptors: wake every tenth of a second to see whether the run is over.
  watcher_ = std::thread([this, signals] {
    const timespec slice{0, 100'000'000};
    while (!done_.load()) {
      int taken = sigtimedwait(&signals, nullptr, &slice);
      if (taken > 0) Take(taken);
    }
  });
}

void InterruptWatch::Take(int signal) {
  if (interrupted_.load()) return;
  signal_.store(signal);
  interrupted_.store(true);
}

InterruptWatch::~InterruptWatch() {
  done_.store(true);
  if (wakeFd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wakeFd_, &one, sizeof one);
  }
  watcher_.join();
  for (int fd : {signalFd_, wakeFd_})
    if (fd >= 0) ::close(fd);
  pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

}  // namespace pelvane::cli
