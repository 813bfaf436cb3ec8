#pragma once

#include <QPointer>
#include <QWidget>

#include "shell/Prompter.h"

namespace pelvane::shell {

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
