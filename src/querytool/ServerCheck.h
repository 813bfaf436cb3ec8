// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>

#include "querytool/DbLibConnection.h"

namespace pelvane::querytool {

/// How a server took a check.
enum class CheckOutcome {
  kAnswered,  ///< it logged the check in and answered SELECT 1
  kRefused,   ///< it, or its host, turned the check away at once: no proof of a stall
  kNoAnswer,  ///< the login or the query had no answer within the check's time
};

/// Asks a server whether it still answers, on a connection of its own: the same login,
/// password and database, a login within the check's time and SELECT 1 within what is left.
/// One object may check several times, on one thread at a time, until it is abandoned.
class ServerCheck {
 public:
  ServerCheck(ConnectRequest request, int seconds);
  ServerCheck(const ServerCheck&) = delete;
  ServerCheck& operator=(const ServerCheck&) = delete;

  CheckOutcome Run();
  /// From another thread: a check under way is given up (its connection shut) and no other
  /// starts. A login under way still ends by its own time.
  void Abandon();

 private:
  void Publish(int socket);

  ConnectRequest request_;
  int seconds_;
  std::mutex mutex_;
  int socket_ = -1;
  bool abandoned_ = false;
};

}  // namespace pelvane::querytool
