// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMdiArea>

#include "uikit/ShellContext.h"

namespace pelvane::tools {

/// The server administration windows that the main window's menus and toolbar open.
enum class ToolWindow {
  kConfigServers,       // frmConfigServers
  kCheckServiceStatus,  // frmCheckServiceStatus
  kStartStopService,    // frmStartStopService
  kOpenAppendToFile,    // frmOpenAppendToFile
};

/// Opens the tool as a child window of the main window's MDI area, or brings it to the front
/// when it is open already.
void OpenToolWindow(ToolWindow which, shell::ShellContext& context, QMdiArea& mdi);

}  // namespace pelvane::tools
