// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>

#include "tools/OpenAppendToFileDialog.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

// What opening a file may answer is ShellOpen's (ShellOpenTest); here the dialog reaches it.
TEST_F(ToolsTest, OpenAppendToFileOpensTheChosenServersFileOrSaysWhyNot) {
  const std::string existing = dir.File("append.log");
  testing::WriteBytes(existing, "x\r\n");
  for (const char* server : {"ALPHA", "BRAVO"}) AddServer(server);
  Set("ALPHA", "AppendToFile", existing);
  auto* dialog = Open<OpenAppendToFileDialog>(ToolWindow::kOpenAppendToFile, "frmOpenAppendToFile");
  ASSERT_NE(dialog, nullptr);
  dialog->SetDefaultAppLookup([](const std::string&) { return true; });

  struct Case {
    QString server;
    std::vector<std::string> messages, urls;
  };
  const Case cases[] = {
      {"BRAVO",
       {"Append To file is not configured.  To configure, go to Configure Servers / Copy File "
        "To."},
       {}},
      {"ALPHA", {}, {"file://" + existing}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server.toStdString());
    prompter.asked.clear();
    prompter.openedUrls.clear();
    auto* servers = Control<QComboBox>(dialog, "cmbServer");
    servers->setCurrentIndex(servers->findText(c.server));
    Click(dialog, "cmdOK");
    EXPECT_EQ(prompter.Texts(), c.messages);
    EXPECT_EQ(prompter.openedUrls, c.urls);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the hourglass is gone again
  }
  EXPECT_NE(Window("frmOpenAppendToFile"), nullptr);  // stays open for the next one
  EXPECT_EQ(context.session.AppendToFile, existing);
}

}  // namespace
}  // namespace pelvane::tools
