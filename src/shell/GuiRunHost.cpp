// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/GuiRunHost.h"

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

GuiRunHost::GuiRunHost(RunWorker& worker, Prompter& prompter, RunWindowActions actions)
    : worker_(worker), prompter_(prompter), actions_(std::move(actions)) {}

void GuiRunHost::SetClosing(bool closing) {
  worker_.SetClosing(closing);
}

engine::Answer GuiRunHost::Ask(const Prompt& prompt, engine::Answer safe) {
  engine::Answer answer = safe;
  worker_.Call([&] {
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
  worker_.Call([&] {
    if (actions_.flushLog) actions_.flushLog();
    answer = prompter_.AskText(prompt, caption, defaultText);
  });
  return answer;
}

void GuiRunHost::ShowServerInProgress(int position) {
  if (actions_.showServer) worker_.Post([f = actions_.showServer, position] { f(position); });
}

void GuiRunHost::ShowServersInProgress(const std::vector<int>& positions) {
  if (!actions_.showServers) {
    RunHost::ShowServersInProgress(positions);
    return;
  }
  worker_.Post([f = actions_.showServers, positions] { f(positions); });
}

void GuiRunHost::SetRunButtonCaption(const std::string& caption) {
  if (actions_.setCaption) worker_.Post([f = actions_.setCaption, caption] { f(caption); });
}

void GuiRunHost::ClearAddTimeStamp() {
  if (actions_.clearAddTimeStamp) worker_.Post(actions_.clearAddTimeStamp);
}

}  // namespace pelvane::shell
