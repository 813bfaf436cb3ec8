// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OrderedRunner.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace pelvane::engine {

namespace {

/// What the workers and the delivering thread share.
struct Board {
  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0;                                 // the next index to hand out
  size_t runningWorkers = 0;                       // workers that have not exited yet
  std::vector<std::optional<ServerLog>> finished;  // a finished server's log until delivered
  std::exception_ptr error;
};

/// Joins the workers on every way out of RunOnWorkers, a throwing sink included.
class WorkerThreads {
 public:
  explicit WorkerThreads(std::atomic<bool>& stopped) : stopped_(stopped) {}
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;
  ~WorkerThreads() {
    if (std::uncaught_exceptions() > 0) stopped_ = true;
    for (std::thread& thread : threads_) thread.join();
  }
  template <class F>
  void Start(F&& work) {
    threads_.emplace_back(std::forward<F>(work));
  }

 private:
  std::atomic<bool>& stopped_;
  std::vector<std::thread> threads_;
};

}  // namespace

OrderedRunner::OrderedRunner(int workers, StopAsked stopAsked)
    : workers_(std::max(workers, 1)), stopAsked_(std::move(stopAsked)) {}

bool OrderedRunner::Stopped() {
  if (!stopped_ && stopAsked_ && stopAsked_()) stopped_ = true;
  return stopped_;
}

size_t OrderedRunner::Run(size_t count, const Job& job, const Sink& sink) {
  if (workers_ == 1 || count <= 1) return RunInline(count, job, sink);
  return RunOnWorkers(count, job, sink);
}

size_t OrderedRunner::RunInline(size_t count, const Job& job, const Sink& sink) {
  size_t index = 0;
  for (; index < count && !Stopped(); ++index) {
    ServerLog log([&sink, index](const LogPiece& piece) { sink(index, piece); });
    job(index, log);
  }
  return index;
}

size_t OrderedRunner::RunOnWorkers(size_t count, const Job& job, const Sink& sink) {
  Board board;
  board.finished.resize(count);
  const size_t workers = std::min(static_cast<size_t>(workers_), count);
  board.runningWorkers = workers;

  auto work = [this, &board, &job, count] {
    for (;;) {
      size_t index = 0;
      {
        std::lock_guard<std::mutex> lock(board.mutex);
        if (board.next >= count || Stopped()) break;
        index = board.next++;
      }
      ServerLog log;
      try {
        job(index, log);
      } catch (...) {
        stopped_ = true;
        std::lock_guard<std::mutex> lock(board.mutex);
        if (!board.error) board.error = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(board.mutex);
      board.finished[index].emplace(std::move(log));
      board.changed.notify_all();
    }
    std::lock_guard<std::mutex> lock(board.mutex);
    --board.runningWorkers;
    board.changed.notify_all();
  };

  {
    WorkerThreads threads(stopped_);
    for (size_t w = 0; w < workers; ++w) threads.Start(work);

    // Deliver in list order on this thread: wait for the next server in line, or for the
    // workers to have gone with nothing more to come.
    for (size_t deliver = 0;; ++deliver) {
      std::optional<ServerLog> log;
      {
        std::unique_lock<std::mutex> lock(board.mutex);
        board.changed.wait(lock, [&] {
          return (deliver < count && board.finished[deliver]) || board.runningWorkers == 0;
        });
        if (deliver >= count || !board.finished[deliver]) break;
        log = std::move(board.finished[deliver]);
        board.finished[deliver].reset();
      }
      for (const LogPiece& piece : log->Pieces()) sink(deliver, piece);
    }
  }
  if (board.error) std::rethrow_exception(board.error);
  return board.next;
}

}  // namespace pelvane::engine
