// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QWidget>
#include <string>

#include "shell/EditorText.h"
#include "uikit/ShellContext.h"

namespace pelvane::shell {

/// The Append Text window (frmAppendText): the entry a run appends to each server's append-to
/// file, and whether the time stamp goes in front of it. A top-level window above the others;
/// its text, box and placement live in the settings section "Append" while it is closed.
/// AppendTextOpen is true from its load to its close. Deletes itself when closed.
class AppendTextWindow : public QWidget {
  Q_OBJECT

 public:
  explicit AppendTextWindow(ShellContext& context);

  /// txtAppendText as a run reads it.
  std::string Text() const;
  /// chkAddTimeStamp.
  bool AddTimeStamp() const;
  /// Unchecks chkAddTimeStamp (a run's keyword question answered No).
  void ClearAddTimeStamp();

 Q_SIGNALS:
  /// After the closing steps: text, box and placement saved, AppendTextOpen false.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ShellContext& context_;
  QCheckBox* chkAddTimeStamp_;
  QPlainTextEdit* txtAppendText_;
  EditorText text_;
  bool saved_ = false;
};

}  // namespace pelvane::shell
