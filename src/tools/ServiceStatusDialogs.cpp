// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ServiceStatusDialogs.h"

#include <QHBoxLayout>
#include <QPalette>
#include <QVBoxLayout>

#include "tools/ToolWindowFrame.h"

namespace pelvane::tools {

namespace {

QColor FromBgr(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

void SetTextColour(QLabel* label, uint32_t bgr) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, FromBgr(bgr));
  label->setPalette(palette);
}

}  // namespace

ServiceDialogBase::ServiceDialogBase(shell::ShellContext& context, const char* objectName,
                                     QWidget* parent)
    : ToolDialog(context, objectName, parent), form_(new QFormLayout) {
  choice_ = std::make_unique<ServerChoice>(context.store, this, *form_);
}

void ServiceDialogBase::Show(const engine::ServiceStatusView& view, const std::string& server) {
  if (!view.configured) {
    status_->clear();
    context_.prompter.Message(engine::ServiceNotConfiguredMessage(server));
    return;
  }
  SetTextColour(status_, engine::ServiceStateColour(view.state));
  status_->setText(QString::fromStdString(view.text));
}

void ServiceDialogBase::RunServiceWork(QPushButton* button,
                                       std::function<void(const shell::Poster&)> work) {
  SetBusy(true);
  button->setEnabled(false);
  SetTextColour(status_, 0);
  status_->setText("Checking ...");
  context_.background.Run(
      this, [work = std::move(work)](const shell::Poster& post) { work(post); },
      [this, button] {
        button->setEnabled(true);
        SetBusy(false);
        Q_EMIT serviceWorkDone();
      });
}

CheckServiceStatusDialog::CheckServiceStatusDialog(shell::ShellContext& context, QWidget* parent)
    : ServiceDialogBase(context, "frmCheckServiceStatus", parent),
      cmdGetStatus_(Named(new QPushButton("Get Status", this), "cmdGetStatus", "Get Status")) {
  setWindowTitle("Check Service Status");
  status_ = ValueLabel("lblServerStatus", "Status:", this);
  status_->setMinimumWidth(320);
  form_->addRow(FieldLabel("Status:", status_, this), status_);
  auto* cmdClose = Named(new QPushButton("Cancel", this), "cmdClose", "Cancel");
  SetDefaultButton(cmdGetStatus_);
  SetCancelButton(cmdClose);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdGetStatus_);
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form_);
  layout->addLayout(buttons);

  connect(choice_->server(), &QComboBox::activated, status_, &QLabel::clear);
  connect(cmdGetStatus_, &QPushButton::clicked, this, &CheckServiceStatusDialog::GetStatus);
  connect(cmdClose, &QPushButton::clicked, this, &CheckServiceStatusDialog::CloseWindow);
}

void CheckServiceStatusDialog::GetStatus() {
  if (IsBusy()) return;
  const std::string server = choice_->Server();
  if (server.empty()) {
    context_.prompter.Message("Please select a Server to check the Service Status.");
    return;
  }
  settings::SettingsStore& store = context_.store;
  engine::ServiceControl& services = context_.ports.services;
  engine::Keyring& keyring = context_.ports.keyring;
  RunServiceWork(cmdGetStatus_,
                 [this, &store, &keyring, &services, server](const shell::Poster& post) {
                   const engine::ServiceStatusView view =
                       engine::ReadServiceStatus(store, keyring, services, server);
                   post([this, view, server] { Show(view, server); });
                 });
}

StartStopServiceDialog::StartStopServiceDialog(shell::ShellContext& context, QWidget* parent)
    : ServiceDialogBase(context, "frmStartStopService", parent),
      cmbStartStop_(Named(new QComboBox(this), "cmbStartStop", "Start or Stop?")),
      cmdStartStop_(Named(new QPushButton("Start/Stop", this), "cmdStartStop", "Start/Stop")) {
  setWindowTitle("Start / Stop Service");
  cmbStartStop_->addItems({"Start", "Stop"});
  cmbStartStop_->setCurrentIndex(-1);
  form_->addRow(FieldLabel("Start or Stop?", cmbStartStop_, this), cmbStartStop_);
  status_ = ValueLabel("lblMessage", "Service status", this);
  status_->setMinimumWidth(320);
  auto* cmdClose = Named(new QPushButton("Cancel", this), "cmdClose", "Cancel");
  SetDefaultButton(cmdStartStop_);
  SetCancelButton(cmdClose);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdStartStop_);
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form_);
  layout->addWidget(status_);
  layout->addLayout(buttons);

  connect(choice_->server(), &QComboBox::activated, this,
          &StartStopServiceDialog::ShowChosenServer);
  connect(cmbStartStop_, &QComboBox::activated, this, [this] {
    const QString action = cmbStartStop_->currentText();
    if (action == "Start" || action == "Stop") {
      cmdStartStop_->setText(action);
      cmdStartStop_->setAccessibleName(action);
    }
  });
  connect(cmdStartStop_, &QPushButton::clicked, this, &StartStopServiceDialog::StartStop);
  connect(cmdClose, &QPushButton::clicked, this, &StartStopServiceDialog::CloseWindow);
}

void StartStopServiceDialog::ShowChosenServer() {
  const std::string server = choice_->Server();
  if (IsBusy() || server.empty()) return;
  settings::SettingsStore& store = context_.store;
  engine::ServiceControl& services = context_.ports.services;
  engine::Keyring& keyring = context_.ports.keyring;
  RunServiceWork(cmdStartStop_,
                 [this, &store, &keyring, &services, server](const shell::Poster& post) {
                   const engine::ServiceStatusView view =
                       engine::ReadServiceStatus(store, keyring, services, server);
                   post([this, view, server] { Show(view, server); });
                 });
}

void StartStopServiceDialog::StartStop() {
  if (IsBusy()) return;
  const std::string server = choice_->Server();
  if (server.empty()) {
    context_.prompter.Message("Select a Server that you want to Stop/Start a service.");
    return;
  }
  settings::SettingsStore& store = context_.store;
  engine::ServiceControl& services = context_.ports.services;
  engine::Keyring& keyring = context_.ports.keyring;
  engine::Sleeper& sleeper = context_.ports.sleeper;
  RunServiceWork(cmdStartStop_, [this, &store, &keyring, &services, &sleeper, server,
                                 action = cmbStartStop_->currentText().toStdString()](
                                    const shell::Poster& post) {
    engine::RequestAndPollService(store, keyring, services, sleeper, server, action,
                                  [this, server, &post](const engine::ServiceStatusView& view) {
                                    post([this, view, server] { Show(view, server); });
                                  });
  });
}

}  // namespace pelvane::tools
