// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ToolDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "tools/ToolWindowFrame.h"

namespace pelvane::tools {

namespace {

/// Selects the text once the focus has settled: a mouse press would clear an earlier selection.
class SelectAllFilter : public QObject {
 public:
  explicit SelectAllFilter(QLineEdit* edit) : QObject(edit), edit_(edit) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == edit_ && event->type() == QEvent::FocusIn)
      QTimer::singleShot(0, edit_, [edit = edit_] { edit->selectAll(); });
    return false;
  }

 private:
  QLineEdit* edit_;
};

}  // namespace

void SelectAllOnFocus(QLineEdit* edit) {
  edit->installEventFilter(new SelectAllFilter(edit));
}

ToolDialog::ToolDialog(shell::ShellContext& context, const char* objectName, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName(QString::fromLatin1(objectName));
}

void ToolDialog::SetDefaultButton(QPushButton* button) {
  defaultButton_ = button;
  button->setDefault(true);
}

void ToolDialog::SetBusy(bool busy) {
  busy_ = busy;
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
    if (closeWhenIdle_) QTimer::singleShot(0, this, [this] { CloseWindow(); });
  }
}

void ToolDialog::CloseWindow() {
  CloseToolWindow(this);
}

void ToolDialog::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && defaultButton_ &&
      defaultButton_->isEnabled()) {
    defaultButton_->click();
  } else if (key == Qt::Key_Escape && cancelButton_ && cancelButton_->isEnabled()) {
    cancelButton_->click();
  } else {
    QWidget::keyPressEvent(event);
  }
}

void ToolDialog::closeEvent(QCloseEvent* event) {
  // Slow work holds references into this window; it ends within its time-out, then we close.
  if (busy_) {
    closeWhenIdle_ = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace pelvane::tools
