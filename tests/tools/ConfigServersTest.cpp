// SPDX-License-Identifier: GPL-3.0-or-later
#include <QListWidget>

#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

class ConfigServersTest : public ToolsTest {
 protected:
  ConfigServersTest() {
    AddServer("ALPHA", "WEST");
    AddServer("BRAVO");
  }
  QWidget* Open() {
    CloseAll();
    return ToolsTest::Open(ToolWindow::kConfigServers, "frmConfigServers");
  }
  static QListWidget* List(QWidget* dialog) { return Control<QListWidget>(dialog, "lstServers"); }
  static QListWidgetItem* Item(QWidget* dialog, const QString& name) {
    return List(dialog)->findItems(name, Qt::MatchExactly).value(0);
  }
};

// What a name may be is the engine's rule (ServerAdminTest); here one of each outcome.
TEST_F(ConfigServersTest, AddsServersByButtonAndEnterAndOpensTheirLogin) {
  QWidget* dialog = Open();
  EXPECT_TRUE(dialog->parentWidget()->windowFlags() & Qt::WindowStaysOnTopHint);
  ExpectAccessibleNames(dialog);
  testing::ExpectAccessKeys(*dialog);
  auto* name = Control<QLineEdit>(dialog, "txtServerName");
  EXPECT_GT(name->width(), name->fontMetrics().horizontalAdvance(name->placeholderText()));
  EXPECT_NE(Control<QLineEdit>(dialog, "txtServerGroup")->toolTip(), name->toolTip());

  Type(dialog, {{"txtServerName", " charlie "}, {"txtServerGroup", "east"}});
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(Servers(), (std::vector<std::string>{"ALPHA", "BRAVO", "CHARLIE"}));
  EXPECT_NE(Item(dialog, "CHARLIE"), nullptr);
  EXPECT_EQ(name->text(), "");
  ASSERT_NE(Window("frmSQLLogin"), nullptr);
  EXPECT_EQ(Window("frmSQLLogin")->windowTitle(), "Login for  charlie :");

  // One refused keeps what was typed, to be corrected.
  dialog = Open();
  Type(dialog, {{"txtServerName", "Alpha"}});
  Click(dialog, "cmdAddServer");
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"The server ALPHA is already listed."});
  EXPECT_EQ(Text(dialog, "txtServerName"), "Alpha");
  EXPECT_EQ(Window("frmSQLLogin"), nullptr);
  EXPECT_EQ(Servers().size(), 3u);
}

// A screen reader selects without making the entry current; the pointer chose another first.
// Without a choice, each command only says so.
TEST_F(ConfigServersTest, CommandsActOnTheServerAScreenReaderSelected) {
  const std::pair<const char*, const char*> cases[] = {
      {"cmdCopyFileTo", "frmCopyFileTo"},
      {"cmdConfigService", "frmServices"},
      {"cmdRemoveServer", nullptr},
  };
  ASSERT_TRUE(store.SaveINIValues("BRAVO", "Login", "sa"));
  for (const auto& [button, window] : cases) {
    SCOPED_TRACE(button);
    QWidget* dialog = Open();
    Click(dialog, button);
    EXPECT_EQ(prompter.asked.size(), window ? 1u : 0u);
    EXPECT_EQ(Servers().size(), 2u);
    prompter.asked.clear();

    List(dialog)->setCurrentItem(Item(dialog, "ALPHA"));
    testing::SelectAsScreenReader(List(dialog), List(dialog)->row(Item(dialog, "BRAVO")));
    Click(dialog, button);
    EXPECT_TRUE(prompter.asked.empty());
    if (window) {
      EXPECT_NE(Window(window), nullptr);
      EXPECT_EQ(context.session.CurrentServer, "BRAVO");
    }
  }
  EXPECT_EQ(Servers(), std::vector<std::string>{"ALPHA"});
  EXPECT_EQ(store.GetINIValue("BRAVO", "Login"), "");
}

TEST_F(ConfigServersTest, ADoubleClickOpensTheChosenServersLogin) {
  ASSERT_TRUE(store.SaveINIValues("BRAVO", "Login", "operator"));
  QWidget* dialog = Open();
  List(dialog)->setCurrentItem(Item(dialog, "BRAVO"));
  const QPoint at = List(dialog)->visualItemRect(Item(dialog, "BRAVO")).center();
  QTest::mouseClick(List(dialog)->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(List(dialog)->viewport(), Qt::LeftButton, {}, at);
  QWidget* login = Window("frmSQLLogin");
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(login->windowTitle(), "Login for BRAVO:");
  EXPECT_EQ(Text(login, "txtUserName"), "operator");
}

}  // namespace
}  // namespace pelvane::tools
