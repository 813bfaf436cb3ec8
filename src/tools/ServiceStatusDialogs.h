// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "engine/ServiceStatusView.h"
#include "tools/ServerChoice.h"
#include "tools/ToolDialog.h"

namespace pelvane::tools {

/// What the two service dialogs share: the server choice, a status label, and reads of the
/// service off the window thread with a button held disabled meanwhile.
class ServiceDialogBase : public ToolDialog {
  Q_OBJECT
 public:
  ServiceDialogBase(shell::ShellContext& context, const char* objectName, QWidget* parent);

 Q_SIGNALS:
  /// A status read, a request or a poll has ended and the button is usable again.
  void serviceWorkDone();

 protected:
  /// Shows one read in the label: the text in its state's colour, or the not-configured
  /// message and an empty label.
  void Show(const engine::ServiceStatusView& view, const std::string& server);
  /// Runs work(post) off the window thread with `button` disabled and the label saying
  /// "Checking ..."; work hands reads to Show through post.
  void RunServiceWork(QPushButton* button, std::function<void(const shell::Poster&)> work);

  QFormLayout* form_;
  std::unique_ptr<ServerChoice> choice_;
  QLabel* status_ = nullptr;
};

/// frmCheckServiceStatus: shows the state of a server's configured service.
class CheckServiceStatusDialog : public ServiceDialogBase {
  Q_OBJECT
 public:
  explicit CheckServiceStatusDialog(shell::ShellContext& context, QWidget* parent = nullptr);

 private:
  void GetStatus();
  QPushButton* cmdGetStatus_;
};

/// frmStartStopService: starts or stops a server's configured service and follows its state.
class StartStopServiceDialog : public ServiceDialogBase {
  Q_OBJECT
 public:
  explicit StartStopServiceDialog(shell::ShellContext& context, QWidget* parent = nullptr);

 private:
  void ShowChosenServer();
  void StartStop();
  QComboBox* cmbStartStop_;
  QPushButton* cmdStartStop_;
};

}  // namespace pelvane::tools
