// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <thread>
#include <utility>

namespace pelvane::tools {

/// One piece of slow work (a login test, service reads) on a thread of its own, so the window
/// keeps painting. Results come back on the window thread through `receiver`, which must own
/// this object: the destructor waits for the thread, and a result posted to a receiver that is
/// gone is dropped with it.
class BackgroundWork {
 public:
  explicit BackgroundWork(QObject* receiver) : receiver_(receiver) {}
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;
  ~BackgroundWork() { Join(); }

  bool busy() const { return busy_; }

  /// Runs work() off the window thread, then done(result) on it. The work may call Post() to
  /// hand intermediate results over. One piece at a time.
  template <class Work, class Done>
  void Start(Work work, Done done) {
    Join();
    busy_ = true;
    thread_ = std::thread([this, work = std::move(work), done = std::move(done)]() mutable {
      auto result = work();
      Post([this, done = std::move(done), result = std::move(result)]() mutable {
        busy_ = false;
        done(result);
      });
    });
  }

  /// Runs fn on the window thread, later; from the work's thread.
  template <class Fn>
  void Post(Fn fn) {
    QMetaObject::invokeMethod(receiver_, std::move(fn), Qt::QueuedConnection);
  }

 private:
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  QObject* receiver_;
  std::atomic_bool busy_{false};
  std::thread thread_;
};

}  // namespace pelvane::tools
