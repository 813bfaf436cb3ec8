// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <mutex>

namespace pelvane::engine {

/// One question at a time among servers side by side, without a lock held while the question
/// waits for the user: the turn is a flag, and a server that wants it waits on a condition
/// until it is free.
class QuestionTurn {
 public:
  QuestionTurn() = default;
  QuestionTurn(const QuestionTurn&) = delete;
  QuestionTurn& operator=(const QuestionTurn&) = delete;

  /// The turn, from construction (waiting for it) to destruction.
  class Held {
   public:
    explicit Held(QuestionTurn& turn) : turn_(turn) {
      std::unique_lock<std::mutex> lock(turn_.mutex_);
      turn_.free_.wait(lock, [this] { return !turn_.taken_; });
      turn_.taken_ = true;
    }
    ~Held() {
      {
        std::lock_guard<std::mutex> lock(turn_.mutex_);
        turn_.taken_ = false;
      }
      turn_.free_.notify_one();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    QuestionTurn& turn_;
  };

 private:
  std::mutex mutex_;
  std::condition_variable free_;
  bool taken_ = false;
};

}  // namespace pelvane::engine
