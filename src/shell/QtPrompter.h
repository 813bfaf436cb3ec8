// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include "uikit/Prompter.h"

class QFileDialog;

namespace pelvane::shell {

/// Opens file dialogs wide enough, in the detail view, that their Size and Date columns can be
/// read, and no larger than most of the screen.
void SizeFileDialog(QFileDialog& dialog);

/// The real boxes and dialogs, parented to a window so they centre on it.
class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  engine::Answer Ask(const Prompt& prompt) override;
  std::optional<std::string> AskText(const std::string& prompt, const std::string& caption,
                                     const std::string& defaultText) override;
  std::vector<std::string> PickFiles(const FilePick& pick) override;
  std::string PickSaveFile(const FileSave& save) override;
  bool OpenUrl(const std::string& url) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace pelvane::shell
