// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace pelvane::shell {

/// A desktop program that shows the machine's hardware and system information.
struct SystemInfoCommand {
  QString program;
  QStringList arguments;
};

/// The system information tools of the common desktops, in the order they are looked for.
std::vector<SystemInfoCommand> KnownSystemInfoTools();

/// The first known tool installed on PATH, with its full path; none when no tool is installed.
std::optional<SystemInfoCommand> FindSystemInfoTool();

/// Starts the installed tool on its own, without a shell and without waiting for it. False
/// when none is installed or it could not be started.
bool StartSysInfo();

}  // namespace pelvane::shell
