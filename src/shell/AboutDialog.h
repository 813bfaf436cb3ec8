// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <string>

#include "uikit/ShellContext.h"

namespace pelvane::shell {

/// major.minor.revision of the program's four-part version, as the main window's caption and the
/// About box show it: "1.8.0.8" is major 1, minor 8, revision 8; the third number is not shown.
/// A missing or empty part reads as 0.
std::string ShortVersion(const std::string& version);

/// "Version " and the short version ("1.8.0.8" gives "Version 1.8.8").
std::string VersionLabel(const std::string& version);

/// The About box (frmAbout): title, version, description, a link to the program's read-me and
/// the desktop's system information tool. A top-level window above the others; deletes itself
/// when closed.
class AboutDialog : public QWidget {
  Q_OBJECT

 public:
  explicit AboutDialog(ShellContext& context);

 private:
  void OpenReadme();
  void SysInfo();

  ShellContext& context_;
  std::string readme_;
};

}  // namespace pelvane::shell
