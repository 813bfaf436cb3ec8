// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <mutex>

#include "engine/QuestionTurn.h"
#include "engine/ports/RunHost.h"

namespace pelvane::engine {

/// The Append Text window's "Add TimeStamp Automatically?" box as one decision for the whole run
/// while servers are processed side by side. The append step's keyword question is asked and
/// answered behind one lock, so two servers never ask at once and a server after the answer
/// uses it: No clears the box for the rest of the run, Cancel ends every server that comes to
/// the question afterwards, Yes is asked again by the next server, as in a run one server after
/// another. Servers that never come to the question never wait for it; no lock is held while
/// the question waits for its answer.
class TimeStampChoice {
 public:
  explicit TimeStampChoice(bool addTimeStamp) : addTimeStamp_(addTimeStamp) {}

  TimeStampChoice(const TimeStampChoice&) = delete;
  TimeStampChoice& operator=(const TimeStampChoice&) = delete;

  /// Whether the box is ticked now.
  bool AddTimeStamp() const;

  /// The keyword question: kNo without asking when the box is clear, kCancel without asking
  /// after a Cancel, else what `ask` answers. `clearBox` runs once, after the first No.
  Answer Ask(const std::function<Answer()>& ask, const std::function<void()>& clearBox);

 private:
  mutable std::mutex mutex_;
  bool addTimeStamp_;
  bool cancelled_ = false;
  QuestionTurn turn_;  // one keyword question at a time
};

}  // namespace pelvane::engine
