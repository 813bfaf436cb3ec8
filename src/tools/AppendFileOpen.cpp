#include "tools/AppendFileOpen.h"

#include <QString>
#include <QUrl>
#include <filesystem>

#include "engine/ServerTargets.h"

namespace pelvane::tools {

std::string AppendFileUrl(const std::string& path) {
  if (const std::optional<std::string> machine = engine::AppendToMachine(path)) {
    QString rest = QString::fromStdString(path.substr(2 + machine->size()));
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QUrl url;
    url.setScheme("smb");
    url.setHost(QString::fromStdString(*machine));
    url.setPath(rest.isEmpty() ? QStringLiteral("/") : rest);
    return url.toString(QUrl::FullyEncoded).toStdString();
  }
  return QUrl::fromLocalFile(QString::fromStdString(path))
      .toString(QUrl::FullyEncoded)
      .toStdString();
}

void OpenAppendFile(shell::Prompter& prompter, const std::string& path) {
  if (!engine::AppendToMachine(path)) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
      prompter.Message("File, " + path + ", not found.  Check Append To File configuration.");
      return;
    }
  }
  if (!prompter.OpenUrl(AppendFileUrl(path)))
    prompter.Message("File association not found for " + path +
                     ".  Check Append To File configuration.");
}

}  // namespace pelvane::tools
