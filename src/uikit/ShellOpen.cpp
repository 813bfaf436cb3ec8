// SPDX-License-Identifier: GPL-3.0-or-later
#include "uikit/ShellOpen.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace pelvane::shell {

namespace {

/// "http://...", "mailto:..." and the like; a Windows drive ("C:\...") is no scheme.
bool IsWebAddress(const QString& target) {
  static const QRegularExpression scheme("^[A-Za-z][A-Za-z0-9+.-]+:");
  return scheme.match(target).hasMatch() && !target.startsWith("file:", Qt::CaseInsensitive);
}

int LocalFileCode(const QString& path, Prompter& prompter, const DefaultAppLookup& lookup) {
  QFileInfo info(path);
  if (!info.exists())
    return QFileInfo(info.absolutePath()).isDir() ? kShellFileNotFound : kShellPathNotFound;
  if (!info.isReadable()) return kShellAccessDenied;
  if (info.isFile()) {
    QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    if (lookup && lookup(type.name().toStdString()) == false) return kShellNoAssociation;
  }
  return prompter.OpenUrl(QUrl::fromLocalFile(info.absoluteFilePath()).toString().toStdString())
             ? kShellOpened
             : kShellNoAssociation;
}

}  // namespace

std::string ShellOpenMessage(int code, const std::string& target) {
  switch (code) {
    case 2:
      return "File, " + target + ", not found.  Check Append To File configuration.";
    case 3:
      return "Path not found in file," + target + ".  Check Append To File configuration.";
    case 11:
      return "Bad file format," + target + ", try to open Append To File manually to verify.";
    case 5:
      return "Access denied, try to open " + target + " manually to verify access rights.";
    case 27:
      return "File association incomplete, could not open " + target + ".";
    case 30:
      return "Target application busy when trying to open " + target + ".";
    case 29:
      return "DDE failed when trying to open " + target + ".";
    case 28:
      return "DDE timeout when trying to open " + target + ".";
    case 32:
      return "DLL not found when trying to open " + target + ".";
    case 31:
      return "File association not found for " + target + ".  Check Append To File configuration.";
    case 8:
      return "Out of memory, can not open Append To File, " + target + " .";
    case 26:
      return "Sharing violation occurred when trying to open Append To File, " + target + ".";
    default:
      return std::string();
  }
}

std::optional<bool> DesktopHasDefaultApp(const std::string& mimeType) {
  const QString tool = QStandardPaths::findExecutable("xdg-mime");
  if (tool.isEmpty()) return std::nullopt;
  QProcess lookup;
  lookup.start(tool, {"query", "default", QString::fromStdString(mimeType)});
  if (!lookup.waitForFinished(5000)) {
    lookup.kill();
    lookup.waitForFinished();
    return std::nullopt;
  }
  if (lookup.exitStatus() != QProcess::NormalExit) return std::nullopt;
  return !lookup.readAllStandardOutput().trimmed().isEmpty();
}

int ShellOpen(const std::string& target, Prompter& prompter, const DefaultAppLookup& lookup) {
  const QString text = QString::fromStdString(target);
  int code = kShellOpened;
  if (IsWebAddress(text)) {
    code = prompter.OpenUrl(target) ? kShellOpened : kShellNoAssociation;
  } else {
    QString path = text.startsWith("file:", Qt::CaseInsensitive) ? QUrl(text).toLocalFile() : text;
    code = LocalFileCode(path, prompter, lookup);
  }
  if (std::string message = ShellOpenMessage(code, target); !message.empty())
    prompter.Message(message);
  return code;
}

}  // namespace pelvane::shell
