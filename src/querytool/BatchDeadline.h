// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace pelvane::querytool {

/// The query time-out as a deadline for a whole batch. db-lib's own time-out limits each wait
/// for the server, so a server that trickles its answer would keep a batch going for ever; a
/// watcher shuts the connection's socket when the deadline passes, and the batch ends as a
/// lost connection. The watcher ends with the object.
class BatchDeadline {
 public:
  /// socket: the connection's; seconds: 0 for no deadline.
  BatchDeadline(int socket, int seconds);
  ~BatchDeadline();
  BatchDeadline(const BatchDeadline&) = delete;
  BatchDeadline& operator=(const BatchDeadline&) = delete;

  /// True once the deadline has passed and the socket was shut.
  bool expired() const { return expired_.load(); }

 private:
  std::mutex mutex_;
  std::condition_variable finished_;
  bool over_ = false;
  std::atomic<bool> expired_{false};
  std::thread watcher_;
};

}  // namespace pelvane::querytool
