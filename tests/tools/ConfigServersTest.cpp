// SPDX-License-Identifier: GPL-3.0-or-later
#include <QListWidget>

#include "engine/ServerTargets.h"
#include "tools/CopyFileToDialog.h"
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
TEST_F(ConfigServersTest, AddsServersByEnterAndOpensTheirLogin) {
  QWidget* dialog = Open();
  testing::ExpectAccessKeys(*dialog);
  auto* name = Control<QLineEdit>(dialog, "txtServerName");
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
}

// A screen reader selects without making the entry current; the pointer chose another first.
// Without a choice, each command only says so.
TEST_F(ConfigServersTest, CommandsActOnTheServerAScreenReaderSelected) {
  const std::pair<const char*, const char*> cases[] = {
      {"cmdCopyFileTo", "frmCopyFileTo"},
      {"cmdRemoveServer", nullptr},
  };
  for (const auto& [button, window] : cases) {
    SCOPED_TRACE(button);
    QWidget* dialog = Open();
    context.session.CurrentServer.clear();
    Click(dialog, button);
    EXPECT_EQ(prompter.asked.size(), window ? 1u : 0u);
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
}

// Another server chosen meanwhile opens its own window, and OK of the first writes its own.
TEST_F(ConfigServersTest, ConfigureServiceWritesTheServerItWasOpenedFor) {
  ASSERT_TRUE(engine::SaveServiceSettings(store, "ALPHA", {"Spooler", "m1"}));
  QWidget* dialog = Open();
  List(dialog)->setCurrentItem(Item(dialog, "ALPHA"));
  Click(dialog, "cmdConfigService");
  QWidget* alpha = Window("frmServices");
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(Text(alpha, "txtServiceServer"), "m1");
  List(dialog)->setCurrentItem(Item(dialog, "BRAVO"));
  Click(dialog, "cmdConfigService");
  EXPECT_EQ(context.session.CurrentServer, "BRAVO");
  Type(alpha, {{"txtServiceName", "  W3SVC "}, {"txtServiceServer", "m9"}});
  QTest::keyClick(Control<QLineEdit>(alpha, "txtServiceServer"), Qt::Key_Return);
  const engine::ServiceSettings saved = engine::LoadServiceSettings(store, "ALPHA");
  EXPECT_EQ(saved.serviceName + " " + saved.serviceServer, "W3SVC m9");
  EXPECT_EQ(engine::LoadServiceSettings(store, "BRAVO").serviceName, "");
}

TEST_F(ConfigServersTest, CopyFileToLoadsAndSavesTheTargetsAndOffersTheRemoteServer) {
  ASSERT_TRUE(engine::SaveCopyTargets(store, keyring, "ALPHA",
                                      {R"(\\files\drop\)", "copier", "Pw1", "", "files"}));
  QWidget* servers = Open();
  List(servers)->setCurrentItem(Item(servers, "ALPHA"));
  Click(servers, "cmdCopyFileTo");
  auto* dialog = Window<CopyFileToDialog>("frmCopyFileTo");
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(servers->isEnabled());  // its choice cannot change underneath
  EXPECT_EQ(Text(dialog, "txtReenterPassword"), "Pw1");
  Type(dialog, {{"txtPassword", "secret"}, {"txtReenterPassword", "Secret"}});
  Click(dialog, "cmdOK");
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"Passwords do not match, please re-enter passwords."});
  EXPECT_EQ(Text(dialog, "txtPassword") + Text(dialog, "txtReenterPassword"), "");

  // Browse keeps the folder of the (first) chosen file.
  prompter.files = {{"/srv/drop/new/file.sql", "/other/x.sql"}};
  Click(dialog, "cmdBrowse");
  // Leaving the append-to box offers its machine once the focus has moved.
  prompter.answers = {engine::Answer::kYes};
  Type(dialog, {{"txtAppendToFile", R"(\\m1\share\log.txt)"}});
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(Control<QLineEdit>(dialog, "txtAppendToFile"), &out);
  QTRY_COMPARE(Text(dialog, "txtRemoteServer"), "m1");

  Type(dialog, {{"txtPassword", "New2"}, {"txtReenterPassword", "New2"}});
  Click(dialog, "cmdOK");
  QTRY_VERIFY(Window("frmCopyFileTo") == nullptr);
  QTRY_VERIFY(servers->isEnabled());
  const engine::CopyTargets saved = *engine::LoadCopyTargets(store, keyring, "ALPHA");
  EXPECT_EQ(saved.copyPath + " " + saved.copyToPassword + " " + saved.getTimeFrom,
            "/srv/drop/new/ New2 m1");
  EXPECT_EQ(prompter.unscripted, 0);
}

}  // namespace
}  // namespace pelvane::tools
