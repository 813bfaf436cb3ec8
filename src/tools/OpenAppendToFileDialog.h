#pragma once

#include <memory>

#include "tools/ServerChoice.h"
#include "tools/ToolDialog.h"

namespace pelvane::tools {

/// frmOpenAppendToFile: opens a chosen server's append-to file on the desktop. Stays open, so
/// several servers' files can be opened one after the other.
class OpenAppendToFileDialog : public ToolDialog {
  Q_OBJECT
 public:
  explicit OpenAppendToFileDialog(shell::ShellContext& context, QWidget* parent = nullptr);

 private:
  void Ok();
  std::unique_ptr<ServerChoice> choice_;
};

}  // namespace pelvane::tools
