// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/BatchDeadline.h"

#include <sys/socket.h>

#include <chrono>

namespace pelvane::querytool {

BatchDeadline::BatchDeadline(int socket, int seconds) {
  if (seconds <= 0 || socket < 0) return;
  watcher_ = std::thread([this, socket, seconds] {
    std::unique_lock<std::mutex> lock(mutex_);
    if (finished_.wait_for(lock, std::chrono::seconds(seconds), [this] { return over_; })) return;
    expired_.store(true);
    // Shut, not closed: db-lib still owns the descriptor and closes it itself.
    ::shutdown(socket, SHUT_RDWR);
  });
}

BatchDeadline::~BatchDeadline() {
  if (!watcher_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    over_ = true;
  }
  finished_.notify_all();
  watcher_.join();
}

}  // namespace pelvane::querytool
