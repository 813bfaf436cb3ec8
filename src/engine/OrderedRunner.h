// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>

#include "engine/ServerLog.h"

namespace pelvane::engine {

/// Runs one job per server on up to N worker threads, handing the servers out in list order,
/// and replays each server's log in list order: a server's block is delivered as soon as it and
/// every server before it have finished, so the log reads as if the servers had run one after
/// another.
///
/// With one worker nothing runs beside anything else: each job runs on the calling thread, one
/// after another, and its pieces reach the sink as they are written.
class OrderedRunner {
 public:
  /// Processes one server (0-based index into the run's list), logging into its own log.
  using Job = std::function<void(size_t index, ServerLog& log)>;
  /// Takes each piece of each server's log, in list order, always on the calling thread.
  using Sink = std::function<void(size_t index, const LogPiece& piece)>;

  /// Asked before each hand-out: true stops them, as StopHandingOut does.
  using StopAsked = std::function<bool()>;

  /// workers below 1 count as 1.
  explicit OrderedRunner(int workers, StopAsked stopAsked = {});

  OrderedRunner(const OrderedRunner&) = delete;
  OrderedRunner& operator=(const OrderedRunner&) = delete;

  /// Runs job for index 0 to count-1 until every index has been handed out or hand-outs are
  /// stopped; returns when every handed-out job has finished and has been delivered. The result
  /// is the first index not handed out (count when all were). An exception thrown by a job stops
  /// the hand-outs and is thrown again here once the running jobs have ended.
  size_t Run(size_t count, const Job& job, const Sink& sink);

  /// No further server is handed out (a break, an end, the Stop button); jobs already running
  /// finish and are delivered. Safe from any thread, also from a job; lasts for this object.
  void StopHandingOut() { stopped_ = true; }
  bool HandingOutStopped() const { return stopped_; }

 private:
  size_t RunInline(size_t count, const Job& job, const Sink& sink);
  size_t RunOnWorkers(size_t count, const Job& job, const Sink& sink);

  /// Whether hand-outs are over; called by one thread at a time.
  bool Stopped();

  int workers_;
  StopAsked stopAsked_;
  std::atomic<bool> stopped_{false};
};

}  // namespace pelvane::engine
