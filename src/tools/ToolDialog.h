// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>
#include <QWidget>

#include "uikit/ShellContext.h"

class QLineEdit;

namespace pelvane::tools {

/// What the administration dialogs share: the context, Enter for the default button, Esc for
/// the cancel button, and closing that waits while slow work is in flight.
class ToolDialog : public QWidget {
 public:
  ToolDialog(shell::ShellContext& context, const char* objectName, QWidget* parent);

 protected:
  void SetDefaultButton(QPushButton* button);
  void SetCancelButton(QPushButton* button) { cancelButton_ = button; }
  /// Busy: the hourglass over the dialog; a close asked for meanwhile happens when it ends.
  void SetBusy(bool busy);
  bool IsBusy() const { return busy_; }
  /// True when the user closed the window while it was busy.
  bool CloseRequested() const { return closeWhenIdle_; }
  /// Closes the dialog's window (its MDI frame included).
  void CloseWindow();

  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

  shell::ShellContext& context_;

 private:
  QPushButton* defaultButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  bool busy_ = false;
  bool closeWhenIdle_ = false;
};

/// Selects a line edit's whole text whenever it receives the focus.
void SelectAllOnFocus(QLineEdit* edit);

}  // namespace pelvane::tools
