// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace pelvane::platform {

/// How a call run by CallWithin ended.
enum class CallEnd { kReturned, kTimedOut, kInterrupted };

template <class T>
struct CallOutcome {
  CallEnd end = CallEnd::kReturned;
  std::optional<T> value;  // when it returned
};

/// Runs `work` on a thread of its own and waits for its value until `limit` has passed or
/// `interrupted` is set, whichever comes first; then the caller goes on and the call is left
/// to finish on its own, its value dropped. For library calls that cannot be cancelled: a
/// server that answers a login one byte at a time restarts the driver's per-read time-out with
/// every byte, and a blocked call would keep a signal from ending the run. `work` takes
/// everything it uses by value, since it may outlive the caller.
template <class T>
CallOutcome<T> CallWithin(std::function<T()> work, std::chrono::milliseconds limit,
                          const std::atomic<bool>* interrupted) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<T> value;
    bool finished = false;
  };
  auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, work] {
      std::optional<T> value;
      try {
        value = work();
      } catch (...) {
        // Nothing to hand back; the caller sees a call that returned nothing.
      }
      std::lock_guard<std::mutex> lock(shared->mutex);
      shared->value = std::move(value);
      shared->finished = true;
      shared->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return {CallEnd::kReturned, work()};  // no thread to be had: the call runs here, unbounded
  }
  // Wakes every tenth of a second to look at the interruption flag.
  const auto deadline = std::chrono::steady_clock::now() + limit;
  const auto slice = std::chrono::milliseconds(100);
  std::unique_lock<std::mutex> lock(shared->mutex);
  while (!shared->finished) {
    if (interrupted != nullptr && interrupted->load()) return {CallEnd::kInterrupted, {}};
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return {CallEnd::kTimedOut, {}};
    shared->done.wait_until(lock, std::min(deadline, now + slice));
  }
  return {CallEnd::kReturned, std::move(shared->value)};
}

}  // namespace pelvane::platform
