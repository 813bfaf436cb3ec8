// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/StallWatch.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <optional>

namespace pelvane::querytool {
namespace {

using Clock = std::chrono::steady_clock;

// How often the watcher looks at the socket; the silence is judged to within this.
constexpr std::chrono::milliseconds kLookInterval(250);

/// When the socket last received data, as the kernel counts it; nothing when it cannot tell.
/// It counts bytes db-lib has not read yet, and never takes them from db-lib.
std::optional<Clock::time_point> LastReceived(int socket, Clock::time_point now) {
  tcp_info info{};
  socklen_t size = sizeof info;
  if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return std::nullopt;
  return now - std::chrono::milliseconds(info.tcpi_last_data_recv);
}

}  // namespace

StallWatch::StallWatch(int socket, const ConnectRequest& request, int silenceSeconds,
                       int checkSeconds)
    : check_(request, checkSeconds) {
  if (silenceSeconds <= 0 || socket < 0) return;
  watcher_ = std::thread([this, socket, silenceSeconds] { Watch(socket, silenceSeconds); });
}

StallWatch::~StallWatch() {
  if (!watcher_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    over_ = true;
  }
  check_.Abandon();
  finished_.notify_all();
  watcher_.join();
}

void StallWatch::Watch(int socket, int silenceSeconds) {
  const std::chrono::seconds silence(silenceSeconds);
  Clock::time_point quietSince = Clock::now();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (finished_.wait_for(lock, kLookInterval, [this] { return over_; })) return;
    const Clock::time_point now = Clock::now();
    if (std::optional<Clock::time_point> heard = LastReceived(socket, now);
        heard && *heard > quietSince)
      quietSince = *heard;
    if (now - quietSince < silence) continue;
    lock.unlock();
    const CheckOutcome outcome = check_.Run();
    lock.lock();
    if (over_) return;
    if (outcome == CheckOutcome::kNoAnswer) {
      stalled_.store(true);
      // Shut, not closed: db-lib still owns the descriptor and closes it itself.
      ::shutdown(socket, SHUT_RDWR);
      return;
    }
    if (outcome == CheckOutcome::kRefused) {
      refused_.store(true);
      return;
    }
    quietSince = Clock::now();
  }
}

}  // namespace pelvane::querytool
