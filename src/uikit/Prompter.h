// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ports/RunHost.h"

namespace pelvane::shell {

/// A message box: its buttons, caption, text and icon.
struct Prompt {
  enum class Buttons { kOk, kYesNo, kYesNoCancel };
  Buttons buttons = Buttons::kOk;
  std::string caption = engine::kProgramTitle;
  std::string text;
  engine::MessageIcon icon = engine::MessageIcon::kNone;
};

/// The open-file dialog of the Browse buttons.
struct FilePick {
  std::string title;
  std::string startFolder;  // empty: the dialog's own choice
  bool multiple = false;
  int maxFiles = 200;
};

/// The save-file dialog of an export.
struct FileSave {
  std::string title;
  std::string suggestedName;  // the file name offered first
  std::string filter;         // such as "CSV files (*.csv)"; empty: every file
};

/// Everything the windows show modally or hand to the desktop goes through here, so tests can
/// answer it without a modal loop. Window thread only; a run reaches it through its RunHost.
class Prompter {
 public:
  virtual ~Prompter() = default;

  /// Shows the box and returns the button pressed (kYes for an OK-only box).
  virtual engine::Answer Ask(const Prompt& prompt) = 0;
  /// An input box; nullopt when cancelled.
  virtual std::optional<std::string> AskText(const std::string& prompt, const std::string& caption,
                                             const std::string& defaultText) = 0;
  /// The chosen files, empty when cancelled.
  virtual std::vector<std::string> PickFiles(const FilePick& pick) = 0;
  /// The file to save to, empty when cancelled.
  virtual std::string PickSaveFile(const FileSave& save) = 0;
  /// Hands a URL (file:// or otherwise) to the desktop; false when nothing could open it.
  virtual bool OpenUrl(const std::string& url) = 0;

  /// Shorthand for an OK-only box under the program title.
  void Message(const std::string& text, const std::string& caption = engine::kProgramTitle,
               engine::MessageIcon icon = engine::MessageIcon::kNone) {
    Ask(Prompt{Prompt::Buttons::kOk, caption, text, icon});
  }
};

}  // namespace pelvane::shell
