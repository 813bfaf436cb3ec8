// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>
#include <QPushButton>

#include "settings/ServerRegistry.h"
#include "tools/ToolDialog.h"

class QLineEdit;

namespace pelvane::tools {

/// frmConfigServers: adds and removes servers and opens the per-server dialogs for the server
/// chosen in its list.
class ConfigServersDialog : public ToolDialog {
  Q_OBJECT
 public:
  explicit ConfigServersDialog(shell::ShellContext& context, QWidget* parent = nullptr);

 private:
  void Refill();
  void AddServer();
  void RemoveServer();
  void OpenLogin(bool focusPassword);
  void OpenCopyFileTo();
  void OpenConfigService();
  /// The entry chosen in the list (by pointer, keyboard or screen reader), if any.
  QListWidgetItem* CurrentEntry() const;

  settings::ServerRegistry registry_;
  QLineEdit* txtServerName_;
  QLineEdit* txtServerGroup_;
  QListWidget* lstServers_;
};

}  // namespace pelvane::tools
