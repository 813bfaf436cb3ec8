// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/SqlLoginDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "engine/BrowserTimeout.h"
#include "engine/LoginTest.h"
#include "engine/ServerAdmin.h"
#include "engine/ServerTargets.h"
#include "engine/SqlEncryptionSettings.h"
#include "engine/StoredPasswords.h"
#include "settings/ServerRegistry.h"
#include "tools/ToolWindowFrame.h"
#include "tools/WindowsLoginLabel.h"

namespace pelvane::tools {

SqlLoginDialog::SqlLoginDialog(shell::ShellContext& context, std::string server, QWidget* parent)
    : ToolDialog(context, "frmSQLLogin", parent),
      server_(server.empty() ? context.session.CurrentServer : std::move(server)),
      cmbServerGroup_(Named(new QComboBox(this), "cmbServerGroup", "Server Group:")),
      txtUserName_(Named(new QLineEdit(this), "txtUserName", "User Name:")),
      txtPassword_(Named(new QLineEdit(this), "txtPassword", "Password:")),
      txtDatabase_(Named(new QLineEdit(this), "txtDatabase", "Database:")),
      cmbEncryption_(Named(new QComboBox(this), "cmbEncryption", "Encryption:")),
      chkTrustServerCertificate_(Named(new QCheckBox("Trust server certificate", this),
                                       "chkTrustServerCertificate", "Trust server certificate")),
      txtCertificateFile_(Named(new QLineEdit(this), "txtCertificateFile", "Certificate file:")),
      cmdBrowse_(Named(new QPushButton("Browse...", this), "cmdBrowse", "Browse...")),
      cmdOK_(Named(new QPushButton("OK", this), "cmdOK", "OK")),
      storedEncryption_(engine::LoadSqlEncryption(context.store, server_)) {
  SetToolServer(this, server_);
  setWindowTitle(QString::fromStdString("Login for " + server_ + ":"));
  auto* cmdCancel = Named(new QPushButton("Cancel", this), "cmdCancel", "Cancel");
  SetDefaultButton(cmdOK_);
  SetCancelButton(cmdCancel);
  txtPassword_->setEchoMode(QLineEdit::Password);
  SelectAllOnFocus(txtPassword_);
  cmbServerGroup_->setEditable(true);
  cmbServerGroup_->setInsertPolicy(QComboBox::NoInsert);

  auto* form = new QFormLayout;
  form->addRow(FieldLabel("Server Group:", cmbServerGroup_, this), cmbServerGroup_);
  form->addRow(FieldLabel("User Name:", txtUserName_, this), txtUserName_);
  form->addRow(FieldLabel("&Password:", txtPassword_, this), txtPassword_);
  form->addRow(FieldLabel("Database:", txtDatabase_, this), txtDatabase_);
  for (engine::EncryptMode mode : {engine::EncryptMode::kOptional, engine::EncryptMode::kMandatory,
                                   engine::EncryptMode::kStrict})
    cmbEncryption_->addItem(QString::fromStdString(engine::EncryptModeName(mode)),
                            static_cast<int>(mode));
  cmbEncryption_->setCurrentIndex(
      cmbEncryption_->findData(static_cast<int>(storedEncryption_.mode)));
  chkTrustServerCertificate_->setChecked(storedEncryption_.trustServerCertificate);
  txtCertificateFile_->setText(QString::fromStdString(storedEncryption_.serverCertificate));
  form->addRow(FieldLabel("Encryption:", cmbEncryption_, this), cmbEncryption_);
  form->addRow(QString(), chkTrustServerCertificate_);
  auto* certificate = new QHBoxLayout;
  certificate->addWidget(txtCertificateFile_);
  certificate->addWidget(cmdBrowse_);
  form->addRow(FieldLabel("Certificate file:", txtCertificateFile_, this), certificate);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  txtUserName_->setMinimumWidth(250);
  AddWindowsLoginLabel(*form, txtUserName_);

  settings::ServerRegistry registry(context.store);
  for (const std::string& group : registry.GroupList(/*upperCase=*/false))
    cmbServerGroup_->addItem(QString::fromStdString(group));
  connect(cmdOK_, &QPushButton::clicked, this, &SqlLoginDialog::Ok);
  connect(cmdCancel, &QPushButton::clicked, this, &SqlLoginDialog::CloseWindow);
  connect(cmdBrowse_, &QPushButton::clicked, this, &SqlLoginDialog::BrowseCertificate);

  if (engine::ConfiguredPasswordStore(context.store) != engine::PasswordStore::kKeyring) {
    Loaded(engine::LoadSqlLogin(context.store, context.ports.keyring, server_));
    return;
  }
  // A locked keyring asks to be unlocked, a stuck one answers late: the boxes wait for it.
  HoldControls(true);
  SetBusy(true);
  settings::SettingsStore& store = context.store;
  engine::Keyring& keyring = context.ports.keyring;
  context_.background.Run(
      this,
      [&store, &keyring, server = server_] { return engine::LoadSqlLogin(store, keyring, server); },
      [this](const Result<engine::SqlLogin>& loaded) {
        HoldControls(false);
        SetBusy(false);
        if (!CloseRequested()) Loaded(loaded);
      });
}

void SqlLoginDialog::Loaded(const Result<engine::SqlLogin>& loaded) {
  // A password that cannot be read opens the dialog empty, saying why.
  if (!loaded) context_.prompter.Message(loaded.status().message());
  const engine::SqlLogin stored = loaded ? *loaded : engine::SqlLogin{};
  txtUserName_->setText(QString::fromStdString(stored.login));
  txtPassword_->setText(QString::fromStdString(stored.password));
  txtDatabase_->setText(QString::fromStdString(stored.database));
  cmbServerGroup_->setEditText(QString::fromStdString(stored.group));
  if (focusPasswordWhenLoaded_) FocusPassword();
  Q_EMIT loginLoaded();
}

void SqlLoginDialog::HoldControls(bool waiting) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           cmbServerGroup_, txtUserName_, txtPassword_, txtDatabase_, cmbEncryption_,
           chkTrustServerCertificate_, txtCertificateFile_, cmdBrowse_, cmdOK_})
    control->setEnabled(!waiting);
}

void SqlLoginDialog::FocusPassword() {
  focusPasswordWhenLoaded_ = !txtPassword_->isEnabled();
  txtUserName_->setText(QString::fromStdString(context_.store.GetINIValue(server_, "Login")));
  txtPassword_->setFocus();
  txtPassword_->selectAll();
}

void SqlLoginDialog::Ok() {
  if (IsBusy()) return;
  if (txtUserName_->text().isEmpty() || txtPassword_->text().isEmpty()) {
    context_.prompter.Message(engine::kEmptyLoginMessage, "Login");
    txtUserName_->setFocus();
    txtUserName_->selectAll();
    return;
  }
  // What could never be saved is refused before anything connects.
  if (Status s = engine::CheckSqlLogin(server_, Typed()); !s) {
    context_.prompter.Message(s.message());
    return;
  }
  shell::ServerSession& session = context_.session;
  session.CurrentLogin = txtUserName_->text().toStdString();
  session.CurrentPassword = txtPassword_->text().toStdString();
  session.CurrentDatabase = txtDatabase_->text().toStdString();

  SetBusy(true);
  cmdOK_->setEnabled(false);
  engine::SqlTarget target{
      server_, session.CurrentLogin, session.CurrentPassword,
      "",      TypedEncryption(),    engine::StoredBrowserTimeoutMs(context_.store)};
  engine::SqlClient& sql = context_.ports.sql;
  context_.background.Run(
      this, [&sql, target] { return sql.CheckLogin(target); },
      [this](const engine::LoginCheck& check) { Tested(check); });
}

void SqlLoginDialog::Tested(const engine::LoginCheck& check) {
  cmdOK_->setEnabled(true);
  if (CloseRequested()) {
    SetBusy(false);
    return;
  }
  const std::string login = txtUserName_->text().toStdString();
  std::optional<engine::LoginQuestion> question = engine::LoginTestQuestion(check, server_, login);
  bool save = true;
  if (question) {
    save = context_.prompter.Ask({shell::Prompt::Buttons::kYesNo, question->title, question->text,
                                  engine::MessageIcon::kNone}) == engine::Answer::kYes;
  }
  if (!save) {
    SetBusy(false);
    Q_EMIT loginTested();
    return;
  }
  Save();
}

engine::SqlEncryption SqlLoginDialog::TypedEncryption() const {
  engine::SqlEncryption chosen = storedEncryption_;
  const auto mode = static_cast<engine::EncryptMode>(cmbEncryption_->currentData().toInt());
  if (mode != chosen.mode) {
    chosen.mode = mode;
    chosen.modeWritten = true;
  }
  chosen.trustServerCertificate = chkTrustServerCertificate_->isChecked();
  chosen.serverCertificate = txtCertificateFile_->text().trimmed().toStdString();
  return chosen;
}

void SqlLoginDialog::BrowseCertificate() {
  shell::FilePick pick;
  pick.title = "Select the certificate file (PEM) and click Open.";
  pick.startFolder = engine::FolderPart(txtCertificateFile_->text().toStdString());
  const std::vector<std::string> chosen = context_.prompter.PickFiles(pick);
  if (!chosen.empty()) txtCertificateFile_->setText(QString::fromStdString(chosen.front()));
}

engine::SqlLogin SqlLoginDialog::Typed() const {
  return {txtUserName_->text().toStdString(), txtPassword_->text().toStdString(),
          txtDatabase_->text().toStdString(), cmbServerGroup_->currentText().toStdString()};
}

namespace {

Status SaveLoginAndEncryption(settings::SettingsStore& store, engine::Keyring& keyring,
                              const std::string& server, const engine::SqlLogin& typed,
                              const engine::SqlEncryption& before,
                              const engine::SqlEncryption& after) {
  if (Status s = engine::SaveSqlLogin(store, keyring, server, typed); !s) return s;
  return engine::SaveSqlEncryption(store, server, before, after);
}

}  // namespace

void SqlLoginDialog::Save() {
  const engine::SqlLogin typed = Typed();
  const engine::SqlEncryption before = storedEncryption_;
  const engine::SqlEncryption after = TypedEncryption();
  if (engine::ConfiguredPasswordStore(context_.store) != engine::PasswordStore::kKeyring) {
    Saved(SaveLoginAndEncryption(context_.store, context_.ports.keyring, server_, typed, before,
                                 after));
    return;
  }
  HoldControls(true);
  settings::SettingsStore& store = context_.store;
  engine::Keyring& keyring = context_.ports.keyring;
  context_.background.Run(
      this,
      [&store, &keyring, server = server_, typed, before, after] {
        return SaveLoginAndEncryption(store, keyring, server, typed, before, after);
      },
      [this](const Status& saved) {
        HoldControls(false);
        Saved(saved);
      });
}

void SqlLoginDialog::Saved(const Status& saved) {
  const bool closing = CloseRequested();
  SetBusy(false);  // closes the window when that was asked for meanwhile
  if (saved) {
    context_.registryChanged.Tell();  // the server's group may have changed
    if (!closing) CloseWindow();
  } else {
    context_.prompter.Message(saved.message());
  }
  Q_EMIT loginTested();
}

}  // namespace pelvane::tools
