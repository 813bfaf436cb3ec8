// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/QtPrompter.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

namespace pelvane::shell {

namespace {
QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
}  // namespace

engine::Answer QtPrompter::Ask(const Prompt& prompt) {
  QMessageBox box(
      prompt.icon == engine::MessageIcon::kCritical ? QMessageBox::Critical : QMessageBox::NoIcon,
      Q(prompt.caption), Q(prompt.text), QMessageBox::NoButton, parent_);
  switch (prompt.buttons) {
    case Prompt::Buttons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case Prompt::Buttons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setEscapeButton(QMessageBox::No);
      break;
    case Prompt::Buttons::kYesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  int pressed = box.exec();
  if (pressed == QMessageBox::No) return engine::Answer::kNo;
  if (pressed == QMessageBox::Cancel) return engine::Answer::kCancel;
  return engine::Answer::kYes;
}

std::optional<std::string> QtPrompter::AskText(const std::string& prompt,
                                               const std::string& caption,
                                               const std::string& defaultText) {
  bool ok = false;
  QString text =
      QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal, Q(defaultText), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

void SizeFileDialog(QFileDialog& dialog) {
  dialog.setViewMode(QFileDialog::Detail);
  QSize wanted = dialog.size().expandedTo(QSize(900, 520));
  if (const QScreen* screen = dialog.screen())
    wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
  dialog.resize(wanted);
}

std::vector<std::string> QtPrompter::PickFiles(const FilePick& pick) {
  QFileDialog dialog(parent_, Q(pick.title), Q(pick.startFolder));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(pick.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  SizeFileDialog(dialog);
  QStringList chosen;
  if (dialog.exec() == QDialog::Accepted) chosen = dialog.selectedFiles();
  std::vector<std::string> files;
  for (const QString& file : chosen) {
    if (static_cast<int>(files.size()) >= pick.maxFiles) break;
    files.push_back(file.toStdString());
  }
  return files;
}

std::string QtPrompter::PickSaveFile(const FileSave& save) {
  QFileDialog dialog(parent_, Q(save.title), Q(save.suggestedName), Q(save.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  SizeFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  return dialog.selectedFiles().front().toStdString();
}

bool QtPrompter::OpenUrl(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(Q(url)));
}

}  // namespace pelvane::shell
