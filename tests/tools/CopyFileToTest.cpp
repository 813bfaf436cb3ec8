// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "engine/ServerTargets.h"
#include "engine/StoredPasswords.h"
#include "settings/PasswordScrambler.h"
#include "tools/CopyFileToDialog.h"
#include "tools/GatedKeyring.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using engine::Answer;

class CopyFileToTest : public ToolsTest {
 protected:
  /// Leaves the append-to box the way a user does: the focus moves on.
  static void LeaveAppendBox(QWidget* dialog) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Control<QLineEdit>(dialog, "txtAppendToFile"), &out);
  }
  engine::CopyTargets Saved() { return *engine::LoadCopyTargets(store, keyring, "ALPHA"); }
};

TEST_F(CopyFileToTest, TakesTheRemoteServerFromTheAppendToPath) {
  struct Case {
    std::string appendTo, remote;
    std::deque<Answer> answers;
    bool asked;
    std::string remoteAfter;
  };
  const Case cases[] = {
      {R"(\\m1\share\log.txt)", "", {Answer::kNo}, true, "m1"},    // empty: filled whatever said
      {R"(\\m1\share\log.txt)", "m1", {}, false, "m1"},            // same: nothing asked
      {R"(\\m1\share\log.txt)", "M1", {Answer::kNo}, true, "M1"},  // case counts; No keeps
      {R"(\\m1\share\log.txt)", "other", {Answer::kYes}, true, "m1"},
      {"//m2/share/log.txt", "other", {Answer::kYes}, true, "m2"},  // "/" separates too
      {R"(\\m3)", "other", {Answer::kYes}, true, "m3"},             // no further separator
      {R"(C:\logs\log.txt)", "other", {}, false, "other"},          // no "\\": nothing
      {"/var/log/app.log", "", {}, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appendTo + " / " + c.remote);
    CloseAll();
    prompter.answers = c.answers;
    auto* dialog = OpenFor<CopyFileToDialog>("ALPHA");
    Type(dialog, {{"txtAppendToFile", QString::fromStdString(c.appendTo)},
                  {"txtRemoteServer", QString::fromStdString(c.remote)}});
    LeaveAppendBox(dialog);
    QTRY_COMPARE(prompter.asked.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      const std::string machine = *engine::AppendToMachine(c.appendTo);
      EXPECT_EQ(prompter.asked[0].caption, "Change Remote Server?");
      EXPECT_EQ(prompter.asked[0].text,
                "The current Remote Server, " + c.remote +
                    ", does not match the Append To Server, " + machine +
                    ". Would you like to set the Remote Server = " + machine + "?");
    }
    EXPECT_EQ(Text(dialog, "txtRemoteServer").toStdString(), c.remoteAfter);
  }
  EXPECT_EQ(prompter.unscripted, 0);
}

TEST_F(CopyFileToTest, LoadsSavesInOrderAndRefusesMismatchedPasswords) {
  AddServer("ALPHA");
  ASSERT_TRUE(engine::SaveCopyTargets(
      store, keyring, "ALPHA",
      {R"(\\files\drop\)", "copier", "Pw1", R"(\\files\logs\a.log)", "files"}));
  QWidget* servers = Open(ToolWindow::kConfigServers, "frmConfigServers");
  auto* list = Control<QListWidget>(servers, "lstServers");
  list->setCurrentItem(list->item(0));
  Click(servers, "cmdCopyFileTo");
  auto* dialog = Window<CopyFileToDialog>("frmCopyFileTo");
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(servers->isEnabled());  // its choice cannot change underneath
  EXPECT_EQ(dialog->windowTitle(), "Copy File Path for Server ALPHA:");
  ExpectAccessibleNames(dialog);
  for (auto [name, text] : {std::pair{"txtCopyTo", R"(\\files\drop\)"},
                            {"txtPassword", "Pw1"},
                            {"txtReenterPassword", "Pw1"}})
    EXPECT_EQ(Text(dialog, name), text) << name;

  Type(dialog, {{"txtPassword", "secret"}, {"txtReenterPassword", "Secret"}});
  Click(dialog, "cmdOK");
  ASSERT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(prompter.asked[0].caption, "Passwords Do Not Match.");
  EXPECT_EQ(prompter.asked[0].text, "Passwords do not match, please re-enter passwords.");
  EXPECT_EQ(Text(dialog, "txtPassword"), "");
  EXPECT_EQ(Text(dialog, "txtReenterPassword"), "");
  EXPECT_EQ(Saved().copyToPassword, "Pw1");  // nothing saved

  // Browse keeps the folder of the (first) chosen file; a cancelled browse keeps the folder.
  prompter.files = {{"/srv/drop/new/file.sql", "/other/x.sql"}, {}};
  Click(dialog, "cmdBrowse");
  EXPECT_EQ(Text(dialog, "txtCopyTo"), "/srv/drop/new/");
  Type(dialog, {{"txtCopyTo", R"(\\files\drop\)"}});
  Click(dialog, "cmdBrowse");
  EXPECT_EQ(Text(dialog, "txtCopyTo"), R"(\\files\drop\)");
  EXPECT_EQ(prompter.picks.at(0).title, "Select Path to Copy File To and click Open.");

  Type(dialog, {{"txtPassword", "New2"}, {"txtReenterPassword", "New2"}});
  Click(dialog, "cmdOK");
  QTRY_VERIFY(Window("frmCopyFileTo") == nullptr);
  QTRY_VERIFY(servers->isEnabled());
  const engine::CopyTargets saved = Saved();
  EXPECT_EQ(saved.copyPath, R"(\\files\drop\)");
  EXPECT_EQ(saved.copyToPassword, "New2");
  EXPECT_EQ(store.GetINIValue("ALPHA", "CopyToPW"),
            settings::ScramblePassword("New2", settings::PasswordKey));
  EXPECT_EQ(saved.appendToFile, R"(\\files\logs\a.log)");
  EXPECT_EQ(saved.getTimeFrom, "files");
  EXPECT_EQ(prompter.unscripted, 0);
}

// The keyring is read and written off the window thread, the boxes held until it answers.
TEST_F(CopyFileToTest, WaitsForTheDesktopKeyringWithTheWindowResponsive) {
  GatedWorld world(*this);
  ASSERT_TRUE(engine::SaveCopyTargets(store, keyring, "ALPHA",
                                      {R"(\\files\drop\)", "copier", "Pw1", "", ""}));
  const auto expectHeldWhileWaiting = [&] {
    world.ExpectResponsiveWhileWaiting();
    for (const char* name : {"txtPassword", "cmdOK", "cmdTestConnection"})
      EXPECT_FALSE(Control<QWidget>(Window("frmCopyFileTo"), name)->isEnabled()) << name;
  };
  world.gated.Shut();
  auto* dialog = OpenFor<CopyFileToDialog>("ALPHA", &world.context);
  QSignalSpy loaded(dialog, &CopyFileToDialog::targetsLoaded);
  expectHeldWhileWaiting();
  world.gated.Open();
  QTRY_COMPARE(loaded.count(), 1);
  EXPECT_EQ(Text(dialog, "txtPassword"), "Pw1");
  EXPECT_TRUE(Control<QLineEdit>(dialog, "txtPassword")->isEnabled());

  Type(dialog, {{"txtPassword", "New2"}, {"txtReenterPassword", "New2"}});
  world.gated.Shut();
  Click(dialog, "cmdOK");
  expectHeldWhileWaiting();
  world.gated.Open();
  QTRY_VERIFY(Window("frmCopyFileTo") == nullptr);
  EXPECT_EQ(store.GetINIValue("ALPHA", "CopyToPW"), "");
  EXPECT_EQ(Saved().copyToPassword, "New2");
  EXPECT_TRUE(prompter.asked.empty());
}

// The words for each failure are the engine's (MapDriveTest); one reaches the box here.
TEST_F(CopyFileToTest, TestConnectionConnectsDisconnectsAndReports) {
  for (
      auto [code, report] :
      {std::pair<int, std::string>{engine::connect_code::kConnected, "Connection succeeded."},
       {engine::connect_code::kDuplicateName,
        R"(Path \\files\drop NOT FOUND. Check Append To Path and Filename in Configure Servers.)"}}) {
    SCOPED_TRACE(report);
    CloseAll();
    shares.calls.clear();
    shares.code = code;
    auto* dialog = OpenFor<CopyFileToDialog>("ALPHA");
    Type(dialog,
         {{"txtCopyTo", R"(\\files\drop\)"}, {"txtLogin", "copier"}, {"txtPassword", "pw"}});
    QSignalSpy tested(dialog, &CopyFileToDialog::connectionTested);
    Click(dialog, "cmdTestConnection");
    QTRY_COMPARE(tested.count(), 1);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{report});
    std::vector<std::string> calls{R"(connect \\files\drop copier pw)"};
    if (code == engine::connect_code::kConnected) calls.push_back("disconnect L:");
    EXPECT_EQ(shares.calls, calls);
  }
  EXPECT_EQ(store.GetINIValue("ALPHA", "CopyPath"), "");  // a test stores nothing
}

}  // namespace
}  // namespace pelvane::tools
