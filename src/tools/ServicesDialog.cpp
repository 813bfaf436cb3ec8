// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ServicesDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/ServerTargets.h"
#include "tools/ToolWindowFrame.h"

namespace pelvane::tools {

ServicesDialog::ServicesDialog(shell::ShellContext& context, std::string server, QWidget* parent)
    : ToolDialog(context, "frmServices", parent),
      server_(server.empty() ? context.session.CurrentServer : std::move(server)),
      txtServiceName_(Named(new QLineEdit(this), "txtServiceName", "Service Name:")),
      txtServiceServer_(Named(new QLineEdit(this), "txtServiceServer", "Server:")) {
  SetToolServer(this, server_);
  setWindowTitle("Configure Service");
  auto* cmdOK = Named(new QPushButton("OK", this), "cmdOK", "OK");
  auto* cmdCancel = Named(new QPushButton("Cancel", this), "cmdCancel", "Cancel");
  SetDefaultButton(cmdOK);
  SetCancelButton(cmdCancel);
  txtServiceName_->setMinimumWidth(240);

  auto* form = new QFormLayout;
  form->addRow(FieldLabel("Service Name:", txtServiceName_, this), txtServiceName_);
  form->addRow(FieldLabel("Server:", txtServiceServer_, this), txtServiceServer_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  const engine::ServiceSettings stored = engine::LoadServiceSettings(context.store, server_);
  txtServiceName_->setText(QString::fromStdString(stored.serviceName));
  txtServiceServer_->setText(QString::fromStdString(stored.serviceServer));

  connect(cmdOK, &QPushButton::clicked, this, &ServicesDialog::Ok);
  connect(cmdCancel, &QPushButton::clicked, this, &ServicesDialog::CloseWindow);
}

void ServicesDialog::Ok() {
  const engine::ServiceSettings typed{txtServiceName_->text().toStdString(),
                                      txtServiceServer_->text().toStdString()};
  if (Status saved = engine::SaveServiceSettings(context_.store, server_, typed); !saved) {
    context_.prompter.Message(saved.message());
    return;
  }
  CloseWindow();
}

}  // namespace pelvane::tools
