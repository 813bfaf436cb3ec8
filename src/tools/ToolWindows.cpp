// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ToolWindows.h"

#include <memory>

#include "tools/ConfigServersDialog.h"
#include "tools/OpenAppendToFileDialog.h"
#include "tools/ServiceStatusDialogs.h"
#include "tools/ToolWindowFrame.h"

namespace pelvane::tools {

namespace {

std::unique_ptr<QWidget> Make(ToolWindow which, shell::ShellContext& context) {
  switch (which) {
    case ToolWindow::kConfigServers:
      return std::make_unique<ConfigServersDialog>(context);
    case ToolWindow::kCheckServiceStatus:
      return std::make_unique<CheckServiceStatusDialog>(context);
    case ToolWindow::kStartStopService:
      return std::make_unique<StartStopServiceDialog>(context);
    case ToolWindow::kOpenAppendToFile:
      return std::make_unique<OpenAppendToFileDialog>(context);
  }
  return nullptr;
}

const char* ObjectName(ToolWindow which) {
  switch (which) {
    case ToolWindow::kConfigServers:
      return "frmConfigServers";
    case ToolWindow::kCheckServiceStatus:
      return "frmCheckServiceStatus";
    case ToolWindow::kStartStopService:
      return "frmStartStopService";
    case ToolWindow::kOpenAppendToFile:
      return "frmOpenAppendToFile";
  }
  return "";
}

}  // namespace

void OpenToolWindow(ToolWindow which, shell::ShellContext& context, QMdiArea& mdi) {
  if (FindToolWindow(mdi, QString::fromLatin1(ObjectName(which)))) return;
  ShowInMdi(mdi, Make(which, context));
}

}  // namespace pelvane::tools
