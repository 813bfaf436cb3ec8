// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <cstddef>
#include <map>
#include <thread>
#include <type_traits>
#include <utility>

namespace pelvane::shell {

/// Hands functions from a worker to the window thread, where each runs only while the window
/// that started the work still lives.
class Poster {
 public:
  Poster(QObject* owner, QObject* receiver) : owner_(owner), receiver_(receiver) {}

  template <class Fn>
  void operator()(Fn fn) const {
    QMetaObject::invokeMethod(
        owner_,
        [receiver = receiver_, fn = std::move(fn)]() mutable {
          if (receiver) fn();
        },
        Qt::QueuedConnection);
  }

  /// Whether the receiver still lives; window thread only.
  bool ReceiverAlive() const { return !receiver_.isNull(); }

 private:
  QObject* owner_;
  QPointer<QObject> receiver_;
};

/// The one way the windows work off the window thread. Run() starts a callable on a thread of
/// its own and hands its result to a callback on the window thread, dropped when the receiving
/// window is gone by then; the window thread never waits on the work. A thread is joined as
/// soon as its result has come back; the destructor joins those still working. Its owner
/// (ShellContext) outlives the windows and dies before the ports the work uses, so no thread
/// outlives what it reaches. Work must never wait on the window thread.
class BackgroundTasks : public QObject {
 public:
  BackgroundTasks() = default;
  ~BackgroundTasks() override;

  /// Runs work() or work(post) (a Poster for intermediate results) on a new thread, then
  /// done(result), or done() for work without one, on the window thread while receiver lives.
  /// Window thread only.
  template <class Work, class Done>
  void Run(QObject* receiver, Work work, Done done) {
    const int id = nextId_++;
    threads_.emplace(id, std::thread([this, id, post = Poster(this, receiver),
                                      work = std::move(work), done = std::move(done)]() mutable {
                       if constexpr (std::is_void_v<decltype(Call(work, post))>) {
                         Call(work, post);
                         Deliver(id, post, [done = std::move(done)]() mutable { done(); });
                       } else {
                         Deliver(id, post,
                                 [done = std::move(done), result = Call(work, post)]() mutable {
                                   done(result);
                                 });
                       }
                     }));
  }

  /// Threads started and not yet joined.
  std::size_t Working() const { return threads_.size(); }

 private:
  template <class Work>
  static decltype(auto) Call(Work& work, const Poster& post) {
    if constexpr (std::is_invocable_v<Work&, const Poster&>) {
      return work(post);
    } else {
      return work();
    }
  }

  /// From the worker, as its last step: joins it on the window thread, then hands over.
  template <class Fn>
  void Deliver(int id, const Poster& post, Fn deliver) {
    QMetaObject::invokeMethod(
        this,
        [this, id, post, deliver = std::move(deliver)]() mutable {
          Join(id);
          if (post.ReceiverAlive()) deliver();
        },
        Qt::QueuedConnection);
  }

  void Join(int id);

  int nextId_ = 0;
  std::map<int, std::thread> threads_;
};

}  // namespace pelvane::shell
