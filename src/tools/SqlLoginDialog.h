// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "engine/ServerAdmin.h"
#include "engine/ports/SqlClient.h"
#include "tools/ToolDialog.h"

namespace pelvane::tools {

/// frmSQLLogin: a server's SQL login, password, database and group, tested before they are
/// saved. The test, and the desktop keyring's reads and writes, run off the window thread.
class SqlLoginDialog : public ToolDialog {
  Q_OBJECT
 public:
  /// For the session's CurrentServer unless a server is named.
  explicit SqlLoginDialog(shell::ShellContext& context, std::string server = {},
                          QWidget* parent = nullptr);

  /// Puts the stored user name back and the focus into the password box (a double-click in
  /// Configure Servers).
  void FocusPassword();

 Q_SIGNALS:
  /// The stored login is in the boxes (or the reason it could not be read was shown).
  void loginLoaded();
  /// The login test came back and its outcome was acted on (saved or not).
  void loginTested();

 private:
  void Loaded(const Result<engine::SqlLogin>& loaded);
  void Ok();
  void Tested(const engine::LoginCheck& check);
  void Save();
  void Saved(const Status& saved);
  /// Disables the boxes and OK while the keyring is waited for.
  void HoldControls(bool waiting);
  /// The login, password, database and group as typed.
  engine::SqlLogin Typed() const;
  /// The encryption settings as chosen.
  engine::SqlEncryption TypedEncryption() const;
  void BrowseCertificate();

  std::string server_;
  QComboBox* cmbServerGroup_;
  QLineEdit* txtUserName_;
  QLineEdit* txtPassword_;
  QLineEdit* txtDatabase_;
  QComboBox* cmbEncryption_;
  QCheckBox* chkTrustServerCertificate_;
  QLineEdit* txtCertificateFile_;
  QPushButton* cmdBrowse_;
  QPushButton* cmdOK_;
  engine::SqlEncryption storedEncryption_;
  bool focusPasswordWhenLoaded_ = false;
};

}  // namespace pelvane::tools
