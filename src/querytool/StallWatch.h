// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "querytool/ServerCheck.h"

namespace pelvane::querytool {

/// Tells a stalled server from a busy one while a batch waits. SQL Server sends nothing while a
/// long batch works, so silence alone proves nothing; after silenceSeconds without a byte from
/// the server the watcher checks it on a second connection. A server that answers the check is
/// busy: the watch goes on and checks again after each further silence as long (a refused check
/// proves nothing, and ends the checks). A server that
/// does not answer in time has stalled: the watcher shuts the batch's socket and the batch ends
/// as a lost connection. The watch ends with the object.
class StallWatch {
 public:
  /// socket: the batch's connection; request: how to reach the same server again;
  /// silenceSeconds 0 watches nothing; checkSeconds: how long a check may take.
  StallWatch(int socket, const ConnectRequest& request, int silenceSeconds, int checkSeconds);
  ~StallWatch();
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;

  /// True once the server failed a check and the socket was shut.
  bool stalled() const { return stalled_.load(); }
  /// True once a check was refused; the watch then checks no more: each try of a refused
  /// login would be one more failed logon towards the account's lockout.
  bool refused() const { return refused_.load(); }

 private:
  void Watch(int socket, int silenceSeconds);

  ServerCheck check_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool over_ = false;
  std::atomic<bool> stalled_{false};
  std::atomic<bool> refused_{false};
  std::thread watcher_;
};

}  // namespace pelvane::querytool
