// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

#include "tools/ToolDialog.h"

namespace pelvane::tools {

/// frmServices: the Windows service of one server and the machine that runs it. It keeps the
/// server it was opened for, so OK always writes the section whose values it shows.
class ServicesDialog : public ToolDialog {
  Q_OBJECT
 public:
  /// For the session's CurrentServer unless a server is named.
  explicit ServicesDialog(shell::ShellContext& context, std::string server = {},
                          QWidget* parent = nullptr);

 private:
  void Ok();

  std::string server_;
  QLineEdit* txtServiceName_;
  QLineEdit* txtServiceServer_;
};

}  // namespace pelvane::tools
