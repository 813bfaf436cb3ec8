// SPDX-License-Identifier: GPL-3.0-or-later
#include "uikit/RunWorker.h"

#include <utility>

namespace pelvane::shell {

RunWorker::RunWorker(std::function<void()> wake)
    : wake_(std::move(wake)), windowThread_(std::this_thread::get_id()) {}

RunWorker::~RunWorker() {
  Abandon();
}

void RunWorker::Start(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = false;
  }
  thread_ = std::thread([this, work = std::move(work)] {
    work();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ended_ = true;
    }
    changed_.notify_all();
    wake_();
  });
}

void RunWorker::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    mailbox_.push_back({std::move(task), false});
  }
  wake_();
}

bool RunWorker::Call(const std::function<void()>& task) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closing_) return false;
  if (std::this_thread::get_id() == windowThread_) {
    lock.unlock();
    task();
    return true;
  }
  bool ran = false, done = false;
  // Served on the window thread; a close meanwhile answers it unshown.
  mailbox_.push_back({[this, &task, &ran, &done] {
                        std::unique_lock<std::mutex> served(mutex_);
                        if (!closing_) {
                          served.unlock();
                          task();
                          served.lock();
                          ran = true;
                        }
                        done = true;
                        changed_.notify_all();
                      },
                      true});
  lock.unlock();
  wake_();
  lock.lock();
  changed_.wait(lock, [&done] { return done; });
  return ran;
}

void RunWorker::SetClosing(bool closing) {
  std::lock_guard<std::mutex> lock(mutex_);
  closing_ = closing;
}

bool RunWorker::Serve() {
  for (;;) {
    Handed next;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (mailbox_.empty()) {
        if (!ended_ || !thread_.joinable()) return false;
      } else {
        next = std::move(mailbox_.front());
        mailbox_.pop_front();
      }
    }
    if (next.task) {
      next.task();
      continue;
    }
    thread_.join();  // it has ended, and what it handed over before that has run
    return true;
  }
}

void RunWorker::Abandon() {
  if (!thread_.joinable()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  closing_ = true;
  for (;;) {
    // What it posted is dropped; a question it waits on is answered unshown.
    std::deque<Handed> waiting = std::move(mailbox_);
    mailbox_.clear();
    lock.unlock();
    for (Handed& handed : waiting)
      if (handed.call) handed.task();
    lock.lock();
    if (ended_) break;
    changed_.wait(lock, [this] { return ended_ || !mailbox_.empty(); });
  }
  mailbox_.clear();
  lock.unlock();
  thread_.join();
}

}  // namespace pelvane::shell
