// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QPushButton>
#include <filesystem>

#include "shell/AboutDialog.h"
#include "shell/DesktopIdentity.h"
#include "shell/ShellFixture.h"

namespace pelvane::shell {
namespace {

/// Sets PATH for one test and puts the old value back.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& path) : old_(qgetenv("PATH")) {
    qputenv("PATH", QByteArray::fromStdString(path));
  }
  ~ScopedPath() { qputenv("PATH", old_); }

 private:
  QByteArray old_;
};

class AboutDialogTest : public WindowsFixture {};

TEST(AboutVersionTest, MajorMinorAndRevision) {
  EXPECT_EQ(VersionLabel("2.10.3.41"), "Version 2.10.41");
  EXPECT_EQ(VersionLabel("3.1"), "Version 3.1.0");
}

// The windows carry the id of the .desktop file the package installs, and an icon even in a
// build tree with no icon theme.
TEST(DesktopIdentityTest, NamesTheWindowsAfterThePackagesDesktopFileWithAnIcon) {
  SetDesktopIdentity();
  EXPECT_EQ(QGuiApplication::desktopFileName(), DesktopAppId());
  const std::filesystem::path desktopFile =
      std::filesystem::path(PELVANE_PACKAGING_SHARE) / (DesktopAppId().toStdString() + ".desktop");
  EXPECT_TRUE(std::filesystem::exists(desktopFile)) << desktopFile;
  const QIcon icon = QGuiApplication::windowIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.pixmap(QSize(256, 256)).size(), QSize(256, 256));
}

// The system information tool is started on its own.
TEST_F(AboutDialogTest, SystemInfoStartsTheInstalledTool) {
  QPointer<AboutDialog> about = new AboutDialog(context);
  const std::string started = dir.File("started");
  const std::string tool = dir.File("hardinfo");
  testing::WriteBytes(tool, "#!/bin/sh\necho \"$#\" > '" + started + "'\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  ScopedPath path(dir.path().string() + ":/usr/bin:/bin");
  Control<QPushButton>(*about, "cmdSysInfo")->click();
  QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(started), 10000);
  EXPECT_TRUE(prompter.asked.empty());
  about->close();
}

}  // namespace
}  // namespace pelvane::shell
