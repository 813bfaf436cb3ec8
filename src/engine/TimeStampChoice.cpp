// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TimeStampChoice.h"

namespace pelvane::engine {

bool TimeStampChoice::AddTimeStamp() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return addTimeStamp_;
}

Answer TimeStampChoice::Ask(const std::function<Answer()>& ask,
                            const std::function<void()>& clearBox) {
  // Held while the user answers: a second server with the same question waits for the first
  // answer instead of asking again.
  QuestionTurn::Held turn(turn_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) return Answer::kCancel;
    if (!addTimeStamp_) return Answer::kNo;
  }
  const Answer answer = ask();
  if (answer == Answer::kNo) clearBox();
  std::lock_guard<std::mutex> lock(mutex_);
  if (answer == Answer::kCancel) cancelled_ = true;
  if (answer == Answer::kNo) addTimeStamp_ = false;
  return answer;
}

}  // namespace pelvane::engine
