// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>

#include "support/TempDir.h"
#include "tools/AppendFileOpen.h"
#include "tools/OpenAppendToFileDialog.h"
#include "tools/ToolWindows.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

class OpenAppendToFileTest : public ToolsTest {};

TEST_F(OpenAppendToFileTest, OpensTheChosenServersFileOrSaysWhyNot) {
  const std::string existing = dir.File("append.log");
  testing::WriteBytes(existing, "x\r\n");
  const std::string missing = dir.File("missing.log");
  AddServer("ALPHA");
  AddServer("BRAVO");
  AddServer("CHARLIE");
  AddServer("DELTA");
  ASSERT_TRUE(store.SaveINIValues("ALPHA", "AppendToFile", existing));
  ASSERT_TRUE(store.SaveINIValues("CHARLIE", "AppendToFile", missing));
  ASSERT_TRUE(store.SaveINIValues("DELTA", "AppendToFile", R"(\\files\logs\app log.txt)"));

  OpenToolWindow(ToolWindow::kOpenAppendToFile, context, mdi);
  auto* dialog = Window<OpenAppendToFileDialog>("frmOpenAppendToFile");
  ASSERT_NE(dialog, nullptr);
  bool hasApplication = true;
  dialog->SetDefaultAppLookup([&](const std::string&) { return hasApplication; });
  EXPECT_EQ(dialog->windowTitle(), "Open Append To File ...");
  ExpectAccessibleNames(dialog);
  auto* servers = Child<QComboBox>(dialog, "cmbServer");

  struct Case {
    QString server;
    std::vector<std::string> messages;
    std::vector<std::string> urls;
  };
  const Case cases[] = {
      {"", {"Select a Server to Open Append To file."}, {}},
      {"BRAVO",
       {"Append To file is not configured.  To configure, go to Configure Servers / Copy File "
        "To."},
       {}},
      {"CHARLIE", {"File, " + missing + ", not found.  Check Append To File configuration."}, {}},
      {"ALPHA", {}, {"file://" + existing}},
      {"DELTA", {}, {"smb://files/logs/app%20log.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server.toStdString());
    prompter.asked.clear();
    prompter.openedUrls.clear();
    servers->setCurrentIndex(servers->findText(c.server));
    Click(dialog, "cmdOK");
    EXPECT_EQ(prompter.Texts(), c.messages);
    EXPECT_EQ(prompter.openedUrls, c.urls);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the hourglass is gone again
    EXPECT_NE(Window("frmOpenAppendToFile"), nullptr);      // stays open for the next one
  }
  EXPECT_EQ(context.session.CurrentServer, "DELTA");
  EXPECT_EQ(context.session.AppendToFile, R"(\\files\logs\app log.txt)");

  prompter.asked.clear();
  prompter.openUrlSucceeds = false;
  servers->setCurrentIndex(servers->findText("ALPHA"));
  Click(dialog, "cmdOK");
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"File association not found for " + existing +
                                     ".  Check Append To File configuration."});
}

}  // namespace
}  // namespace pelvane::tools
