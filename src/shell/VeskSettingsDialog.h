// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>

#include "uikit/ShellContext.h"

namespace pelvane::shell {

/// The settings dialog (frmVeskSettings, "Vesk Settings"): where run logs go, what a run does
/// when a server reports an error, the time stamp format, refresh and notify options and the
/// services delay and how many servers a run processes at once. The content of a child window of
/// the main window's MDI area.
///
/// Its "When Error Occurs" and "Log Error Messages To" boxes are plain check boxes held in step
/// by click rules, which also fire while the dialog loads. It counts itself in OpenChildCount
/// while it is open. Every way of closing saves what is entered; only its "Close" button
/// checks the services delay first.
class VeskSettingsDialog : public QWidget {
  Q_OBJECT

 public:
  VeskSettingsDialog(ShellContext& context, QWidget* parent = nullptr);

 Q_SIGNALS:
  /// After the closing steps: everything saved, OpenChildCount counted down.
  void closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void ConnectClickRules();
  void Load();
  void OnBreakOrEndChecked(QCheckBox* box, QCheckBox* other);
  void Browse();
  void CloseButton();
  void Save();

  ShellContext& context_;
  QCheckBox* chkLogToWindow_ = nullptr;
  QCheckBox* chkLogToFile_ = nullptr;
  QLineEdit* txtLogFilename_ = nullptr;
  QPushButton* cmdBrowse_ = nullptr;
  QCheckBox* chkOnErrorLog_ = nullptr;
  QCheckBox* chkBreakDisplay_ = nullptr;
  QCheckBox* chkEnd_ = nullptr;
  QLineEdit* txtDateTimeFormat_ = nullptr;
  QCheckBox* chkRefreshLogWindow_ = nullptr;
  QCheckBox* chkNotify_ = nullptr;
  QLineEdit* txtServicesDelay_ = nullptr;
  QSpinBox* spnParallelServers_ = nullptr;
  int loadedParallelServers_ = 1;
  QPushButton* cmdExit_ = nullptr;
  bool filledParent_ = false;
  bool saved_ = false;
};

}  // namespace pelvane::shell
