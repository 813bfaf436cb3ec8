// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "uikit/Prompter.h"

namespace pelvane::shell {

/// The test double of Prompter: answers come from queues in the order they were scripted, and
/// everything asked is recorded. A box that nobody scripted is answered with the safe answer
/// (No, Cancel, nothing chosen) and counted in `unscripted`, so a test can fail on it instead of
/// hanging in a modal loop.
class ScriptedPrompter : public Prompter {
 public:
  std::deque<engine::Answer> answers;            // for yes/no(/cancel) boxes
  std::deque<std::optional<std::string>> texts;  // for input boxes
  std::deque<std::vector<std::string>> files;    // for file dialogs
  std::deque<std::string> saveFiles;             // for save-file dialogs
  bool openUrlSucceeds = true;

  std::vector<Prompt> asked;  // every box, OK-only ones included
  std::vector<std::string> textPrompts;
  std::vector<FilePick> picks;
  std::vector<FileSave> saves;
  std::vector<std::string> openedUrls;
  int unscripted = 0;

  engine::Answer Ask(const Prompt& prompt) override;
  std::optional<std::string> AskText(const std::string& prompt, const std::string& caption,
                                     const std::string& defaultText) override;
  std::vector<std::string> PickFiles(const FilePick& pick) override;
  std::string PickSaveFile(const FileSave& save) override;
  bool OpenUrl(const std::string& url) override;

  /// The texts of every box shown so far, in order.
  std::vector<std::string> Texts() const;
};

}  // namespace pelvane::shell
