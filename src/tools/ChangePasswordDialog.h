// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uikit/ShellContext.h"

namespace pelvane::tools {

/// The Change User Password dialog (frmChangePW): changes one login's password on every server
/// of the Vesk SQL dialog's Process Servers list, one result line per server in list order.
/// The content of a child window of the main window's MDI area.
///
/// The changes run on a worker thread, so the window stays alive while a server times out.
/// Closing it during a pass stops after the server in progress and closes once that server's
/// line is in.
class ChangePasswordDialog : public QWidget {
  Q_OBJECT

 public:
  /// servers: the Process Servers list in order; appendLog is called on the window thread with
  /// each result line (ending in "\r\n"; the Vesk SQL dialog's txtErrorMessages receives them).
  ChangePasswordDialog(shell::ShellContext& context, std::vector<std::string> servers,
                       std::function<void(const std::string&)> appendLog,
                       QWidget* parent = nullptr);
  ~ChangePasswordDialog() override;

  /// Whether a pass over the servers is in progress.
  bool IsChanging() const { return changing_; }

 Q_SIGNALS:
  /// "Change Password" was pressed: the log box is to be emptied before the new lines come.
  void logClearRequested();
  /// A pass over the servers has ended and its last line is in.
  void passFinished();
  /// After it closed; the Vesk SQL dialog gives its controls back.
  void closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Pass {
    std::vector<std::string> servers;
    std::string login, oldPassword, newPassword, dateTimeFormat;
    std::vector<engine::SqlEncryption> encryption{};  // each server's, read before the pass
    int browserTimeoutMs = engine::SqlTarget{}.browserTimeoutMs;
  };

  void ChangePassword();
  static void RunPass(engine::SqlClient& sql, const Pass& pass, const std::atomic<bool>& stop,
                      const std::function<void(std::string)>& lineDone);
  void PassEnded();
  void CloseWindow();
  void SetChanging(bool changing);

  shell::ShellContext& context_;
  std::vector<std::string> servers_;
  std::function<void(const std::string&)> appendLog_;
  QLineEdit* txtUserName_;
  QLineEdit* txtPassword_;
  QLineEdit* txtNewPassword_;
  QLineEdit* txtReenterPassword_;
  QPushButton* cmdOK_;
  QPushButton* cmdCancel_;
  /// The pass in progress stops after its server; shared with its worker, which may outlive
  /// the window.
  std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
  bool changing_ = false;
  bool closeAfterPass_ = false;
  bool centred_ = false;
  bool closedOnce_ = false;
};

}  // namespace pelvane::tools
