// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/GuiRunHost.h"

#include <QMetaObject>
#include <utility>

namespace pelvane::shell {

void LogBatch::AppendText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.text += text;
}

void LogBatch::SetText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.replace = true;
  pending_.text = text;
}

std::string LogBatch::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pending_.replace ? pending_.text : shown_ + pending_.text;
}

LogBatch::Taken LogBatch::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  Taken taken = std::exchange(pending_, Taken{});
  if (taken.replace) shown_.clear();
  shown_ += taken.text;
  return taken;
}

void LogBatch::Reset(const std::string& shown) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_ = Taken{};
  shown_ = shown;
}

GuiRunHost::GuiRunHost(QObject& window, Prompter& prompter, RunWindowActions actions)
    : window_(&window), prompter_(prompter), actions_(std::move(actions)) {}

void GuiRunHost::SetClosing(bool closing) {
  closing_.store(closing);
}

bool GuiRunHost::OnWindowThread(const std::function<void()>& f, bool evenWhenClosing) {
  if (!evenWhenClosing && closing_.load()) return false;
  QObject* window = window_.data();
  if (window == nullptr) return false;
  if (QThread::currentThread() == window->thread()) {
    f();
    return true;
  }
  bool ran = false;
  // If the window dies before the call runs, the queued call is dropped and the wait ends.
  QMetaObject::invokeMethod(
      window,
      [&] {
        if (!evenWhenClosing && closing_.load()) return;  // the window closed meanwhile
        f();
        ran = true;
      },
      Qt::BlockingQueuedConnection);
  return ran;
}

void GuiRunHost::Post(std::function<void()> f) {
  QObject* window = window_.data();
  if (window == nullptr) return;
  QMetaObject::invokeMethod(window, std::move(f), Qt::QueuedConnection);
}

engine::Answer GuiRunHost::Ask(const Prompt& prompt, engine::Answer safe) {
  engine::Answer answer = safe;
  OnWindowThread([&] {
    // The user sees the log up to the question.
    if (actions_.flushLog) actions_.flushLog();
    answer = prompter_.Ask(prompt);
  });
  return answer;
}

void GuiRunHost::ShowMessage(const std::string& text, const std::string& caption,
                             engine::MessageIcon icon) {
  Ask(Prompt{Prompt::Buttons::kOk, caption, text, icon}, engine::Answer::kYes);
}

engine::Answer GuiRunHost::AskYesNo(const std::string& text, const std::string& caption) {
  return Ask(Prompt{Prompt::Buttons::kYesNo, caption, text, engine::MessageIcon::kNone},
             engine::Answer::kNo);
}

engine::Answer GuiRunHost::AskYesNoCancel(const std::string& text, const std::string& caption) {
  return Ask(Prompt{Prompt::Buttons::kYesNoCancel, caption, text, engine::MessageIcon::kNone},
             engine::Answer::kCancel);
}

std::optional<std::string> GuiRunHost::AskText(const std::string& prompt,
                                               const std::string& caption,
                                               const std::string& defaultText) {
  std::optional<std::string> answer;
  OnWindowThread([&] {
    if (actions_.flushLog) actions_.flushLog();
    answer = prompter_.AskText(prompt, caption, defaultText);
  });
  return answer;
}

void GuiRunHost::ShowServerInProgress(int position) {
  if (actions_.showServer) Post([f = actions_.showServer, position] { f(position); });
}

void GuiRunHost::ShowServersInProgress(const std::vector<int>& positions) {
  if (!actions_.showServers) {
    RunHost::ShowServersInProgress(positions);
    return;
  }
  Post([f = actions_.showServers, positions] { f(positions); });
}

void GuiRunHost::SetRunButtonCaption(const std::string& caption) {
  if (actions_.setCaption) Post([f = actions_.setCaption, caption] { f(caption); });
}

void GuiRunHost::ClearAddTimeStamp() {
  if (actions_.clearAddTimeStamp) Post(actions_.clearAddTimeStamp);
}

}  // namespace pelvane::shell
