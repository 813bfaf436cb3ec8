#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "tools/BackgroundWork.h"
#include "tools/ToolDialog.h"

namespace pelvane::tools {

/// frmCopyFileTo: where a server's copy files and appended text go. While it is open the
/// Configure Servers dialog that opened it is disabled, so its choice cannot change underneath.
class CopyFileToDialog : public ToolDialog {
  Q_OBJECT
 public:
  /// For the session's CurrentServer unless a server is named.
  CopyFileToDialog(shell::ShellContext& context, std::string server = {},
                   QWidget* configServers = nullptr, QWidget* parent = nullptr);
  ~CopyFileToDialog() override;

 Q_SIGNALS:
  /// Test Connection has reported its outcome.
  void connectionTested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Browse();
  void TakeRemoteServerFromAppendPath();
  void TestConnection();
  void Ok();

  std::string server_;
  QPointer<QWidget> configServers_;
  QLineEdit* txtCopyTo_;
  QLineEdit* txtLogin_;
  QLineEdit* txtPassword_;
  QLineEdit* txtReenterPassword_;
  QLineEdit* txtAppendToFile_;
  QLineEdit* txtRemoteServer_;
  QPushButton* cmdTestConnection_;
  BackgroundWork work_{this};
};

}  // namespace pelvane::tools
