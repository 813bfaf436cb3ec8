// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "engine/QuestionTurn.h"

namespace pelvane::engine {

/// The end of a run whose servers are processed side by side. Once one server ends the run (end
/// and display, a cancelled question, a missing query tool), the others start no further script
/// or step. A question whose answer may end the run is asked during Deciding(), so that a
/// server coming to the same question after the end neither asks nor logs it again; no lock is
/// held while the question waits.
class SharedRunEnd {
 public:
  SharedRunEnd() = default;
  SharedRunEnd(const SharedRunEnd&) = delete;
  SharedRunEnd& operator=(const SharedRunEnd&) = delete;

  void End() {
    ended_ = true;
    { std::lock_guard<std::mutex> lock(scripts_); }
    noScriptRuns_.notify_all();
  }
  bool Ended() const { return ended_; }
  std::unique_ptr<QuestionTurn::Held> Deciding() {
    return std::make_unique<QuestionTurn::Held>(deciding_);
  }

  /// The missing query tool is a decision of the whole run, whichever server met it: once
  /// missing, it stays missing for every server, with the last answer to "Continue other
  /// tasks?".
  void QueryToolMissing(bool continueOtherSteps) {
    std::lock_guard<std::mutex> lock(scripts_);
    queryToolMissing_ = true;
    continueOtherSteps_ = continueOtherSteps;
  }
  /// Takes the run's decision into a server's flags, when there is one.
  void TakeQueryToolDecision(bool& missing, bool& continueOtherSteps) const {
    std::lock_guard<std::mutex> lock(scripts_);
    if (!queryToolMissing_) return;
    missing = true;
    continueOtherSteps = continueOtherSteps_;
  }

  /// One script of one server, from its login check to its verdict. Under "End and display" a
  /// server's second and later scripts wait until no other script runs: a server that finished
  /// its first script a moment before another's failed must not have started its second by the
  /// time that failure ends the run.
  class ScriptTurn {
   public:
    ScriptTurn(SharedRunEnd& end, bool waitForOthers) : end_(end) {
      std::unique_lock<std::mutex> lock(end_.scripts_);
      if (waitForOthers)
        end_.noScriptRuns_.wait(lock, [this] { return end_.running_ == 0 || end_.ended_; });
      ++end_.running_;
    }
    ~ScriptTurn() {
      {
        std::lock_guard<std::mutex> lock(end_.scripts_);
        --end_.running_;
      }
      end_.noScriptRuns_.notify_all();
    }
    ScriptTurn(const ScriptTurn&) = delete;
    ScriptTurn& operator=(const ScriptTurn&) = delete;

   private:
    SharedRunEnd& end_;
  };

 private:
  std::atomic<bool> ended_{false};
  QuestionTurn deciding_;
  mutable std::mutex scripts_;  // guards running_ and the query tool's decision
  std::condition_variable noScriptRuns_;
  int running_ = 0;
  bool queryToolMissing_ = false;
  bool continueOtherSteps_ = false;
};

}  // namespace pelvane::engine
