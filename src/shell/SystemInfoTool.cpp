// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SystemInfoTool.h"

#include <QProcess>
#include <QStandardPaths>

namespace pelvane::shell {

std::vector<SystemInfoCommand> KnownSystemInfoTools() {
  return {{"hardinfo2", {}}, {"hardinfo", {}}, {"kinfocenter", {}}};
}

std::optional<SystemInfoCommand> FindSystemInfoTool() {
  for (SystemInfoCommand command : KnownSystemInfoTools()) {
    QString path = QStandardPaths::findExecutable(command.program);
    if (path.isEmpty()) continue;
    command.program = path;
    return command;
  }
  return std::nullopt;
}

bool StartSysInfo() {
  std::optional<SystemInfoCommand> tool = FindSystemInfoTool();
  return tool && QProcess::startDetached(tool->program, tool->arguments);
}

}  // namespace pelvane::shell
