// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "engine/ServerTargets.h"
#include "tools/ToolDialog.h"

namespace pelvane::tools {

/// frmCopyFileTo: where a server's copy files and appended text go. While it is open the
/// Configure Servers dialog that opened it is disabled, so its choice cannot change underneath.
/// The desktop keyring is read and written off the window thread.
class CopyFileToDialog : public ToolDialog {
  Q_OBJECT
 public:
  /// For the session's CurrentServer unless a server is named.
  CopyFileToDialog(shell::ShellContext& context, std::string server = {},
                   QWidget* configServers = nullptr, QWidget* parent = nullptr);
  ~CopyFileToDialog() override;

 Q_SIGNALS:
  /// The stored targets are in the boxes (or the reason they could not be read was shown).
  void targetsLoaded();
  /// Test Connection has reported its outcome.
  void connectionTested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Browse();
  void TakeRemoteServerFromAppendPath();
  void Loaded(const Result<engine::CopyTargets>& loaded);
  void TestConnection();
  void Ok();
  /// `closing`: the window closes anyway, asked for while the keyring was waited for.
  void Saved(const Status& saved, bool closing);
  /// Disables the boxes and buttons (Cancel aside) while the keyring is waited for.
  void HoldControls(bool waiting);

  std::string server_;
  QPointer<QWidget> configServers_;
  QLineEdit* txtCopyTo_;
  QLineEdit* txtLogin_;
  QLineEdit* txtPassword_;
  QLineEdit* txtReenterPassword_;
  QLineEdit* txtAppendToFile_;
  QLineEdit* txtRemoteServer_;
  QPushButton* cmdTestConnection_;
  QPushButton* cmdBrowse_;
  QPushButton* cmdOK_;
};

}  // namespace pelvane::tools
