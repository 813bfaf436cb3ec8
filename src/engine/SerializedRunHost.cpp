// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SerializedRunHost.h"

namespace pelvane::engine {

void SerializedRunHost::ShowMessage(const std::string& text, const std::string& caption,
                                    MessageIcon icon) {
  QuestionTurn::Held turn(questions_);
  host_.ShowMessage(text, caption, icon);
}

Answer SerializedRunHost::AskYesNo(const std::string& text, const std::string& caption) {
  QuestionTurn::Held turn(questions_);
  return host_.AskYesNo(text, caption);
}

Answer SerializedRunHost::AskYesNoCancel(const std::string& text, const std::string& caption) {
  QuestionTurn::Held turn(questions_);
  return host_.AskYesNoCancel(text, caption);
}

std::optional<std::string> SerializedRunHost::AskText(const std::string& prompt,
                                                      const std::string& caption,
                                                      const std::string& defaultText) {
  QuestionTurn::Held turn(questions_);
  return host_.AskText(prompt, caption, defaultText);
}

void SerializedRunHost::ShowServerInProgress(int position) {
  std::lock_guard<std::mutex> lock(displayMutex_);
  host_.ShowServerInProgress(position);
}

void SerializedRunHost::ShowServersInProgress(const std::vector<int>& positions) {
  std::lock_guard<std::mutex> lock(displayMutex_);
  host_.ShowServersInProgress(positions);
}

void SerializedRunHost::ServerStarted(int position) {
  std::lock_guard<std::mutex> lock(progressMutex_);
  inProgress_.insert(position);
  ShowServersInProgress({inProgress_.begin(), inProgress_.end()});
}

void SerializedRunHost::ServerFinished(int position) {
  std::lock_guard<std::mutex> lock(progressMutex_);
  inProgress_.erase(position);
  ShowServersInProgress({inProgress_.begin(), inProgress_.end()});
}

void SerializedRunHost::SetRunButtonCaption(const std::string& caption) {
  std::lock_guard<std::mutex> lock(displayMutex_);
  host_.SetRunButtonCaption(caption);
}

void SerializedRunHost::ClearAddTimeStamp() {
  std::lock_guard<std::mutex> lock(displayMutex_);
  host_.ClearAddTimeStamp();
}

void SerializedRunHost::LockedWindow::AppendText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  host_.LogWindow().AppendText(text);
}

void SerializedRunHost::LockedWindow::SetText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  host_.LogWindow().SetText(text);
}

std::string SerializedRunHost::LockedWindow::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return host_.LogWindow().Text();
}

}  // namespace pelvane::engine
