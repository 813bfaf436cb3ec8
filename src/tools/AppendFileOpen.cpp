// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/AppendFileOpen.h"

#include <QString>
#include <QUrl>

#include "engine/ServerTargets.h"

namespace pelvane::tools {

std::string NetworkFileUrl(const std::string& path) {
  const std::optional<std::string> machine = engine::AppendToMachine(path);
  if (!machine) return std::string();
  QString rest = QString::fromStdString(path.substr(2 + machine->size()));
  rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
  QUrl url;
  url.setScheme("smb");
  url.setHost(QString::fromStdString(*machine));
  url.setPath(rest.isEmpty() ? QStringLiteral("/") : rest);
  return url.toString(QUrl::FullyEncoded).toStdString();
}

void OpenAppendFile(shell::Prompter& prompter, const std::string& path,
                    const shell::DefaultAppLookup& lookup) {
  const std::string url = NetworkFileUrl(path);
  if (url.empty()) {
    shell::ShellOpen(path, prompter, lookup);
  } else if (!prompter.OpenUrl(url)) {
    // The path as stored, not the URL, is what the user recognises and can correct.
    prompter.Message(shell::ShellOpenMessage(shell::kShellNoAssociation, path));
  }
}

}  // namespace pelvane::tools
