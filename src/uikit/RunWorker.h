// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace pelvane::shell {

/// A run beside the window, without Qt: the work runs on a thread of its own, and what it hands
/// to the window thread (marks, captions, questions it waits for) goes through a mailbox that
/// the window thread empties in Serve(). Every hand-over is a std primitive, so the thread
/// sanitizer sees it. wake() (any thread) asks the window thread to call Serve() soon.
///
/// While closing, questions are answered unshown (Call returns false), so the worker never
/// waits on a window that is going away.
class RunWorker {
 public:
  explicit RunWorker(std::function<void()> wake);
  /// Abandons a run still working.
  ~RunWorker();
  RunWorker(const RunWorker&) = delete;
  RunWorker& operator=(const RunWorker&) = delete;

  /// Starts work on its thread. Window thread; not while Running().
  void Start(std::function<void()> work);
  /// Started and not yet seen to end by Serve(). Window thread.
  bool Running() const { return thread_.joinable(); }

  /// Worker: task runs on the window thread later, in order with everything else handed over.
  void Post(std::function<void()> task);
  /// Runs task on the window thread and waits for it (at once on the window thread itself).
  /// False, with task not run, while closing.
  bool Call(const std::function<void()>& task);
  /// From now on Call runs nothing. Any thread.
  void SetClosing(bool closing);

  /// Window thread: runs what the worker handed over. True once, when the work has ended: its
  /// thread is joined and everything it handed over has run.
  bool Serve();
  /// Window thread: the window is going away. Closing is set, the worker's questions are
  /// answered unshown until it ends, its thread is joined and what it posted is dropped.
  void Abandon();

 private:
  struct Handed {
    std::function<void()> task;
    bool call;  // a Call the worker waits on
  };

  std::function<void()> wake_;
  const std::thread::id windowThread_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Handed> mailbox_;
  bool ended_ = false;  // the work has returned
  bool closing_ = false;
};

}  // namespace pelvane::shell
