// SPDX-License-Identifier: GPL-3.0-or-later
#include "uikit/ScriptedPrompter.h"

namespace pelvane::shell {

engine::Answer ScriptedPrompter::Ask(const Prompt& prompt) {
  asked.push_back(prompt);
  if (prompt.buttons == Prompt::Buttons::kOk) return engine::Answer::kYes;
  if (answers.empty()) {
    ++unscripted;
    return prompt.buttons == Prompt::Buttons::kYesNo ? engine::Answer::kNo
                                                     : engine::Answer::kCancel;
  }
  engine::Answer answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPrompter::AskText(const std::string& prompt,
                                                     const std::string& /*caption*/,
                                                     const std::string& /*defaultText*/) {
  textPrompts.push_back(prompt);
  if (texts.empty()) {
    ++unscripted;
    return std::nullopt;
  }
  std::optional<std::string> text = texts.front();
  texts.pop_front();
  return text;
}

std::vector<std::string> ScriptedPrompter::PickFiles(const FilePick& pick) {
  picks.push_back(pick);
  if (files.empty()) {
    ++unscripted;
    return {};
  }
  std::vector<std::string> chosen = files.front();
  files.pop_front();
  return chosen;
}

std::string ScriptedPrompter::PickSaveFile(const FileSave& save) {
  saves.push_back(save);
  if (saveFiles.empty()) {
    ++unscripted;
    return {};
  }
  std::string chosen = saveFiles.front();
  saveFiles.pop_front();
  return chosen;
}

bool ScriptedPrompter::OpenUrl(const std::string& url) {
  openedUrls.push_back(url);
  return openUrlSucceeds;
}

std::vector<std::string> ScriptedPrompter::Texts() const {
  std::vector<std::string> texts_;
  for (const Prompt& prompt : asked) texts_.push_back(prompt.text);
  return texts_;
}

}  // namespace pelvane::shell
