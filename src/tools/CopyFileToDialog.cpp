// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/CopyFileToDialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/ServerTargets.h"
#include "engine/StoredPasswords.h"
#include "tools/CopyTargetChecks.h"
#include "tools/ToolWindowFrame.h"

namespace pelvane::tools {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string S(const QLineEdit* edit) {
  return edit->text().toStdString();
}

}  // namespace

CopyFileToDialog::CopyFileToDialog(shell::ShellContext& context, std::string server,
                                   QWidget* configServers, QWidget* parent)
    : ToolDialog(context, "frmCopyFileTo", parent),
      server_(server.empty() ? context.session.CurrentServer : std::move(server)),
      configServers_(configServers),
      txtCopyTo_(Named(new QLineEdit(this), "txtCopyTo", "Copy File To:")),
      txtLogin_(Named(new QLineEdit(this), "txtLogin", "Login:")),
      txtPassword_(Named(new QLineEdit(this), "txtPassword", "Password:")),
      txtReenterPassword_(Named(new QLineEdit(this), "txtReenterPassword", "Re-enter PW:")),
      txtAppendToFile_(Named(new QLineEdit(this), "txtAppendToFile", "Append Text To File:")),
      txtRemoteServer_(Named(new QLineEdit(this), "txtRemoteServer", "Remote Server*:")),
      cmdTestConnection_(
          Named(new QPushButton("Test Connection", this), "cmdTestConnection", "Test Connection")),
      cmdBrowse_(Named(new QPushButton("Browse...", this), "cmdBrowse", "Browse...")),
      cmdOK_(Named(new QPushButton("OK", this), "cmdOK", "OK")) {
  SetToolServer(this, server_);
  setWindowTitle(Q("Copy File Path for Server " + server_ + ":"));
  auto* cmdCancel = Named(new QPushButton("Cancel", this), "cmdCancel", "Cancel");
  SetDefaultButton(cmdOK_);
  SetCancelButton(cmdCancel);
  txtPassword_->setEchoMode(QLineEdit::Password);
  txtReenterPassword_->setEchoMode(QLineEdit::Password);
  txtCopyTo_->setMinimumWidth(320);

  auto* grid = new QGridLayout;
  grid->addWidget(FieldLabel("Copy File To:", txtCopyTo_, this), 0, 0);
  grid->addWidget(txtCopyTo_, 0, 1, 1, 3);
  grid->addWidget(cmdBrowse_, 0, 4);
  grid->addWidget(FieldLabel("Login:", txtLogin_, this), 1, 0);
  grid->addWidget(txtLogin_, 1, 1, 1, 3);
  grid->addWidget(FieldLabel("Password:", txtPassword_, this), 2, 0);
  grid->addWidget(txtPassword_, 2, 1);
  grid->addWidget(FieldLabel("Re-enter PW:", txtReenterPassword_, this), 2, 2);
  grid->addWidget(txtReenterPassword_, 2, 3);
  grid->addWidget(cmdTestConnection_, 2, 4);
  grid->addWidget(FieldLabel("Append Text To File:", txtAppendToFile_, this), 3, 0);
  grid->addWidget(txtAppendToFile_, 3, 1, 1, 3);
  grid->addWidget(FieldLabel("Remote Server*:", txtRemoteServer_, this), 4, 0);
  grid->addWidget(txtRemoteServer_, 4, 1, 1, 3);
  auto* note = new QLabel(
      "* Remote Server is used to retrieve timestamp for Append To. If server name is in path, "
      "it is automatically used as default.",
      this);
  note->setWordWrap(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(note);
  layout->addLayout(buttons);

  txtAppendToFile_->installEventFilter(this);
  connect(cmdBrowse_, &QPushButton::clicked, this, &CopyFileToDialog::Browse);
  connect(cmdTestConnection_, &QPushButton::clicked, this, &CopyFileToDialog::TestConnection);
  connect(cmdOK_, &QPushButton::clicked, this, &CopyFileToDialog::Ok);
  connect(cmdCancel, &QPushButton::clicked, this, &CopyFileToDialog::CloseWindow);
  if (configServers_) configServers_->setEnabled(false);

  if (engine::ConfiguredPasswordStore(context.store) != engine::PasswordStore::kKeyring) {
    Loaded(engine::LoadCopyTargets(context.store, context.ports.keyring, server_));
    return;
  }
  // A locked keyring asks to be unlocked, a stuck one answers late: the boxes wait for it.
  HoldControls(true);
  SetBusy(true);
  settings::SettingsStore& store = context.store;
  engine::Keyring& keyring = context.ports.keyring;
  context_.background.Run(
      this,
      [&store, &keyring, server = server_] {
        return engine::LoadCopyTargets(store, keyring, server);
      },
      [this](const Result<engine::CopyTargets>& loaded) {
        HoldControls(false);
        SetBusy(false);
        if (!CloseRequested()) Loaded(loaded);
      });
}

void CopyFileToDialog::Loaded(const Result<engine::CopyTargets>& loaded) {
  // A password that cannot be read opens the dialog empty, saying why.
  if (!loaded) context_.prompter.Message(loaded.status().message());
  const engine::CopyTargets stored = loaded ? *loaded : engine::CopyTargets{};
  txtCopyTo_->setText(Q(stored.copyPath));
  txtLogin_->setText(Q(stored.copyToLogin));
  txtPassword_->setText(Q(stored.copyToPassword));
  txtReenterPassword_->setText(txtPassword_->text());
  txtAppendToFile_->setText(Q(stored.appendToFile));
  txtRemoteServer_->setText(Q(stored.getTimeFrom));
  Q_EMIT targetsLoaded();
}

void CopyFileToDialog::HoldControls(bool waiting) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           txtCopyTo_, txtLogin_, txtPassword_, txtReenterPassword_, txtAppendToFile_,
           txtRemoteServer_, cmdTestConnection_, cmdBrowse_, cmdOK_})
    control->setEnabled(!waiting);
}

CopyFileToDialog::~CopyFileToDialog() {
  if (configServers_) configServers_->setEnabled(true);
}

bool CopyFileToDialog::eventFilter(QObject* watched, QEvent* event) {
  // The question waits until the focus has moved, so its box does not fight the focus change.
  if (watched == txtAppendToFile_ && event->type() == QEvent::FocusOut)
    QTimer::singleShot(0, this, &CopyFileToDialog::TakeRemoteServerFromAppendPath);
  return ToolDialog::eventFilter(watched, event);
}

void CopyFileToDialog::Browse() {
  shell::FilePick pick;
  pick.title = "Select Path to Copy File To and click Open.";
  pick.startFolder = engine::FolderPart(S(txtCopyTo_));
  const std::vector<std::string> chosen = context_.prompter.PickFiles(pick);
  // Cancelled: the box's own text, cut to its folder like a chosen file.
  txtCopyTo_->setText(Q(engine::FolderPart(chosen.empty() ? S(txtCopyTo_) : chosen.front())));
}

void CopyFileToDialog::TakeRemoteServerFromAppendPath() {
  if (!txtAppendToFile_->isEnabled()) return;  // held while the keyring is waited for
  const std::string remote = S(txtRemoteServer_);
  const std::string after =
      RemoteServerForAppendPath(S(txtAppendToFile_), remote, [this](const std::string& question) {
        return context_.prompter.Ask({shell::Prompt::Buttons::kYesNo,
                                      engine::kChangeRemoteServerTitle, question,
                                      engine::MessageIcon::kNone}) == engine::Answer::kYes;
      });
  if (after != remote) txtRemoteServer_->setText(Q(after));
}

void CopyFileToDialog::TestConnection() {
  if (IsBusy()) return;
  SetBusy(true);
  cmdTestConnection_->setEnabled(false);
  engine::NetworkShares& shares = context_.ports.shares;
  context_.background.Run(
      this,
      [&shares, path = S(txtCopyTo_), login = S(txtLogin_), password = S(txtPassword_)] {
        return TestCopyConnection(shares, path, login, password);
      },
      [this](const std::string& report) {
        cmdTestConnection_->setEnabled(true);
        const bool closing = CloseRequested();
        SetBusy(false);
        if (closing) return;
        context_.prompter.Message(report);
        Q_EMIT connectionTested();
      });
}

void CopyFileToDialog::Ok() {
  if (IsBusy()) return;
  if (txtPassword_->text() != txtReenterPassword_->text()) {
    context_.prompter.Message("Passwords do not match, please re-enter passwords.",
                              "Passwords Do Not Match.");
    txtPassword_->clear();
    txtReenterPassword_->clear();
    txtPassword_->setFocus();
    return;
  }
  const engine::CopyTargets typed{S(txtCopyTo_), S(txtLogin_), S(txtPassword_), S(txtAppendToFile_),
                                  S(txtRemoteServer_)};
  if (engine::ConfiguredPasswordStore(context_.store) != engine::PasswordStore::kKeyring) {
    Saved(engine::SaveCopyTargets(context_.store, context_.ports.keyring, server_, typed),
          /*closing=*/false);
    return;
  }
  HoldControls(true);
  SetBusy(true);
  settings::SettingsStore& store = context_.store;
  engine::Keyring& keyring = context_.ports.keyring;
  context_.background.Run(
      this,
      [&store, &keyring, server = server_, typed] {
        return engine::SaveCopyTargets(store, keyring, server, typed);
      },
      [this](const Status& saved) {
        HoldControls(false);
        const bool closing = CloseRequested();
        SetBusy(false);  // closes the window when that was asked for meanwhile
        Saved(saved, closing);
      });
}

void CopyFileToDialog::Saved(const Status& saved, bool closing) {
  if (saved) {
    if (!closing) CloseWindow();
  } else {
    context_.prompter.Message(saved.message());
  }
}

}  // namespace pelvane::tools
