// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConfigServersDialog.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <memory>

#include "engine/ServerAdmin.h"
#include "engine/StoredPasswords.h"
#include "settings/ProfileText.h"
#include "tools/CopyFileToDialog.h"
#include "tools/ServicesDialog.h"
#include "tools/SqlLoginDialog.h"
#include "tools/ToolWindowFrame.h"

namespace pelvane::tools {

namespace {
const char kNameTip[] = "Enter Server Name or IP Address and click [Add Server].";
const char kGroupTip[] =
    "Enter the group the server belongs to (optional), such as PRODUCTION or TEST.";
}  // namespace

ConfigServersDialog::ConfigServersDialog(shell::ShellContext& context, QWidget* parent)
    : ToolDialog(context, "frmConfigServers", parent),
      registry_(context.store),
      txtServerName_(Named(new QLineEdit(this), "txtServerName", "Server Name:")),
      txtServerGroup_(Named(new QLineEdit(this), "txtServerGroup", "Server Group:")),
      lstServers_(Named(new QListWidget(this), "lstServers", "Servers")) {
  setWindowTitle("Configure Servers");
  txtServerName_->setToolTip(kNameTip);
  txtServerGroup_->setToolTip(kGroupTip);
  txtServerName_->setPlaceholderText("host, host\\INSTANCE or host,port");
  // Wide enough that the whole example shows.
  txtServerName_->setMinimumWidth(
      txtServerName_->fontMetrics().horizontalAdvance(txtServerName_->placeholderText()) + 24);
  lstServers_->setSortingEnabled(true);

  auto* cmdAddServer = Named(new QPushButton("Add Server", this), "cmdAddServer", "Add Server");
  auto* cmdRemoveServer =
      Named(new QPushButton("Remove Server", this), "cmdRemoveServer", "Remove Server");
  auto* cmdCopyFileTo =
      Named(new QPushButton("Copy File To", this), "cmdCopyFileTo", "Copy File To");
  auto* cmdConfigService =
      Named(new QPushButton("Configure Service", this), "cmdConfigService", "Configure Service");
  auto* cmdExit = Named(new QPushButton("Close", this), "cmdExit", "Close");

  auto* label2 = FieldLabel("Server Name:", txtServerName_, this);
  label2->setObjectName("Label2");
  auto* label3 = FieldLabel("Server Group:", txtServerGroup_, this);
  label3->setObjectName("Label3");

  auto* grid = new QGridLayout(this);
  grid->addWidget(label2, 0, 0);
  grid->addWidget(label3, 0, 1);
  grid->addWidget(txtServerName_, 1, 0);
  grid->addWidget(txtServerGroup_, 1, 1);
  grid->addWidget(cmdAddServer, 1, 2);
  grid->addWidget(lstServers_, 2, 0, 1, 2);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {cmdRemoveServer, cmdCopyFileTo, cmdConfigService})
    buttons->addWidget(button);
  buttons->addStretch();
  buttons->addWidget(cmdExit);
  grid->addLayout(buttons, 2, 2);
  lstServers_->setMinimumSize(300, 200);

  connect(cmdAddServer, &QPushButton::clicked, this, &ConfigServersDialog::AddServer);
  connect(txtServerName_, &QLineEdit::returnPressed, this, &ConfigServersDialog::AddServer);
  connect(cmdRemoveServer, &QPushButton::clicked, this, &ConfigServersDialog::RemoveServer);
  connect(cmdCopyFileTo, &QPushButton::clicked, this, &ConfigServersDialog::OpenCopyFileTo);
  connect(cmdConfigService, &QPushButton::clicked, this, &ConfigServersDialog::OpenConfigService);
  connect(cmdExit, &QPushButton::clicked, this, &ConfigServersDialog::CloseWindow);
  connect(lstServers_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    lstServers_->setCurrentItem(item);
    OpenLogin(/*focusPassword=*/true);
  });
  Refill();
}

void ConfigServersDialog::Refill() {
  lstServers_->clear();
  for (const std::string& server : registry_.FillServerList(""))
    lstServers_->addItem(QString::fromStdString(server));
}

QListWidgetItem* ConfigServersDialog::CurrentEntry() const {
  // The selection, not the current item: a screen reader selects without making an entry current.
  return lstServers_->selectedItems().value(0);
}

void ConfigServersDialog::AddServer() {
  const std::string typed = txtServerName_->text().toStdString();
  // Nothing typed at all: the message, as for a name of blanks only, which would end the list.
  Result<engine::AddServerOutcome> added =
      engine::AddServerIfNew(registry_, typed, txtServerGroup_->text().toStdString());
  if (!added) {
    context_.prompter.Message(added.status().message());
    return;
  }
  if (*added == engine::AddServerOutcome::kAlreadyListed) {
    // The boxes keep what was typed, to be corrected.
    context_.prompter.Message("The server " + settings::AsciiUpper(settings::TrimBlanks(typed)) +
                              " is already listed.");
    return;
  }
  context_.session.CurrentServer = typed;
  context_.registryChanged.Tell();
  Refill();
  txtServerName_->clear();
  txtServerGroup_->clear();
  txtServerName_->setFocus();
  OpenLogin(/*focusPassword=*/false);
}

void ConfigServersDialog::RemoveServer() {
  QListWidgetItem* item = CurrentEntry();
  if (!item) return;
  const std::string server = item->text().toStdString();
  if (Status s = engine::ForgetPasswords(context_.store, context_.ports.keyring, server); !s) {
    context_.prompter.Message(s.message());
    return;
  }
  Result<bool> removed = registry_.RemoveServer(server);
  if (!removed) context_.prompter.Message(removed.status().message());
  if (removed && *removed) context_.registryChanged.Tell();
  Refill();
}

void ConfigServersDialog::OpenLogin(bool focusPassword) {
  if (focusPassword) {
    QListWidgetItem* item = CurrentEntry();
    if (!item) return;
    context_.session.CurrentServer = item->text().toStdString();
  }
  const std::string server = context_.session.CurrentServer;
  auto* open = qobject_cast<SqlLoginDialog*>(FindToolWindow(this, "frmSQLLogin", server));
  if (!open) {
    open = static_cast<SqlLoginDialog*>(
        ShowBeside(this, std::make_unique<SqlLoginDialog>(context_, server)));
  }
  if (focusPassword) open->FocusPassword();
}

void ConfigServersDialog::OpenCopyFileTo() {
  QListWidgetItem* item = CurrentEntry();
  if (!item) {
    context_.prompter.Message(
        "Please select a Server from the list to configure Copy To information.");
    return;
  }
  context_.session.CurrentServer = item->text().toStdString();
  ShowBeside(this,
             std::make_unique<CopyFileToDialog>(context_, context_.session.CurrentServer, this));
}

void ConfigServersDialog::OpenConfigService() {
  QListWidgetItem* item = CurrentEntry();
  if (!item) {
    context_.prompter.Message("Please select a Server from the list to configure Services.");
    return;
  }
  context_.session.CurrentServer = item->text().toStdString();
  const std::string server = context_.session.CurrentServer;
  if (!FindToolWindow(this, "frmServices", server))
    ShowBeside(this, std::make_unique<ServicesDialog>(context_, server));
}

}  // namespace pelvane::tools
