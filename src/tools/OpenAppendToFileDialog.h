// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "tools/ServerChoice.h"
#include "tools/ToolDialog.h"
#include "uikit/ShellOpen.h"

namespace pelvane::tools {

/// frmOpenAppendToFile: opens a chosen server's append-to file on the desktop. Stays open, so
/// several servers' files can be opened one after the other.
class OpenAppendToFileDialog : public ToolDialog {
  Q_OBJECT
 public:
  explicit OpenAppendToFileDialog(shell::ShellContext& context, QWidget* parent = nullptr);

  /// How a local file's application is looked up (the desktop's own by default).
  void SetDefaultAppLookup(shell::DefaultAppLookup lookup) { lookup_ = std::move(lookup); }

 private:
  void Ok();
  std::unique_ptr<ServerChoice> choice_;
  shell::DefaultAppLookup lookup_ = shell::DesktopHasDefaultApp;
};

}  // namespace pelvane::tools
