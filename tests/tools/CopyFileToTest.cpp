// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "engine/ServerTargets.h"
#include "engine/StoredPasswords.h"
#include "settings/PasswordScrambler.h"
#include "tools/CopyFileToDialog.h"
#include "tools/GatedKeyring.h"
#include "tools/ToolWindowFrame.h"
#include "tools/ToolWindows.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using engine::Answer;

class CopyFileToTest : public ToolsTest {
 protected:
  CopyFileToDialog* Open(const std::string& server) {
    context.session.CurrentServer = server;
    return static_cast<CopyFileToDialog*>(
        ShowInMdi(mdi, std::make_unique<CopyFileToDialog>(context)));
  }
  static QLineEdit* Box(QWidget* dialog, const char* name) {
    return Child<QLineEdit>(dialog, name);
  }
  /// Leaves the append-to box the way a user does: the focus moves on.
  static void LeaveAppendBox(QWidget* dialog) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Box(dialog, "txtAppendToFile"), &out);
  }
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
    CopyFileToDialog* dialog = Open("ALPHA");
    Box(dialog, "txtAppendToFile")->setText(QString::fromStdString(c.appendTo));
    Box(dialog, "txtRemoteServer")->setText(QString::fromStdString(c.remote));
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
    EXPECT_EQ(Box(dialog, "txtRemoteServer")->text().toStdString(), c.remoteAfter);
  }
  EXPECT_EQ(prompter.unscripted, 0);
}

TEST_F(CopyFileToTest, LoadsSavesInOrderAndRefusesMismatchedPasswords) {
  AddServer("ALPHA");
  ASSERT_TRUE(engine::SaveCopyTargets(
      store, keyring, "ALPHA",
      {R"(\\files\drop\)", "copier", "Pw1", R"(\\files\logs\a.log)", "files"}));
  OpenToolWindow(ToolWindow::kConfigServers, context, mdi);
  QWidget* servers = Window("frmConfigServers");
  auto* list = Child<QListWidget>(servers, "lstServers");
  list->setCurrentItem(list->item(0));
  Click(servers, "cmdCopyFileTo");
  auto* dialog = Window<CopyFileToDialog>("frmCopyFileTo");
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(servers->isEnabled());  // its choice cannot change underneath
  EXPECT_EQ(dialog->windowTitle(), "Copy File Path for Server ALPHA:");
  ExpectAccessibleNames(dialog);
  EXPECT_EQ(Box(dialog, "txtCopyTo")->text(), R"(\\files\drop\)");
  EXPECT_EQ(Box(dialog, "txtPassword")->text(), "Pw1");
  EXPECT_EQ(Box(dialog, "txtReenterPassword")->text(), "Pw1");

  Box(dialog, "txtPassword")->setText("secret");
  Box(dialog, "txtReenterPassword")->setText("Secret");
  Click(dialog, "cmdOK");
  ASSERT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(prompter.asked[0].caption, "Passwords Do Not Match.");
  EXPECT_EQ(prompter.asked[0].text, "Passwords do not match, please re-enter passwords.");
  EXPECT_EQ(Box(dialog, "txtPassword")->text(), "");
  EXPECT_EQ(Box(dialog, "txtReenterPassword")->text(), "");
  EXPECT_EQ(engine::LoadCopyTargets(store, keyring, "ALPHA")->copyToPassword,
            "Pw1");  // nothing saved

  // Browse keeps the folder of the (first) chosen file; a cancelled browse keeps the folder.
  prompter.files = {{"/srv/drop/new/file.sql", "/other/x.sql"}, {}};
  Click(dialog, "cmdBrowse");
  EXPECT_EQ(Box(dialog, "txtCopyTo")->text(), "/srv/drop/new/");
  Box(dialog, "txtCopyTo")->setText(R"(\\files\drop\)");
  Click(dialog, "cmdBrowse");
  EXPECT_EQ(Box(dialog, "txtCopyTo")->text(), R"(\\files\drop\)");
  EXPECT_EQ(prompter.picks.at(0).title, "Select Path to Copy File To and click Open.");

  Box(dialog, "txtPassword")->setText("New2");
  Box(dialog, "txtReenterPassword")->setText("New2");
  Click(dialog, "cmdOK");
  QTRY_VERIFY(Window("frmCopyFileTo") == nullptr);
  QTRY_VERIFY(servers->isEnabled());
  const engine::CopyTargets saved = *engine::LoadCopyTargets(store, keyring, "ALPHA");
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
  SharedSecretService();
  ASSERT_TRUE(store.SaveINIValues("Pelvane", engine::kPasswordStoreKey, "keyring"));
  ASSERT_TRUE(engine::SaveCopyTargets(store, keyring, "ALPHA",
                                      {R"(\\files\drop\)", "copier", "Pw1", "", ""}));
  GatedKeyring gated(keyring);
  shell::ShellPorts gatedPorts{sql, processes, shares, clock, services, sleeper, gated};
  shell::ShellContext gatedContext{store, state, gatedPorts, prompter, context.programFolder};
  gatedContext.session.CurrentServer = "ALPHA";
  Heartbeat heartbeat(20);
  const auto expectResponsiveWhileWaiting = [&] {
    QTRY_VERIFY(gated.Waiting());
    const int before = heartbeat.ticks;
    QTest::qWait(300);
    EXPECT_GT(heartbeat.ticks, before + 5);
    for (const char* name : {"txtPassword", "cmdOK", "cmdTestConnection"})
      EXPECT_FALSE(Child<QWidget>(Window("frmCopyFileTo"), name)->isEnabled()) << name;
  };

  gated.Shut();
  auto* dialog = static_cast<CopyFileToDialog*>(
      ShowInMdi(mdi, std::make_unique<CopyFileToDialog>(gatedContext)));
  QSignalSpy loaded(dialog, &CopyFileToDialog::targetsLoaded);
  EXPECT_FALSE(Box(dialog, "txtPassword")->isEnabled());
  expectResponsiveWhileWaiting();
  gated.Open();
  QTRY_COMPARE(loaded.count(), 1);
  EXPECT_EQ(Box(dialog, "txtPassword")->text(), "Pw1");
  EXPECT_TRUE(Box(dialog, "txtPassword")->isEnabled());

  Box(dialog, "txtPassword")->setText("New2");
  Box(dialog, "txtReenterPassword")->setText("New2");
  gated.Shut();
  Click(dialog, "cmdOK");
  expectResponsiveWhileWaiting();
  gated.Open();
  QTRY_VERIFY(Window("frmCopyFileTo") == nullptr);
  EXPECT_EQ(store.GetINIValue("ALPHA", "CopyToPW"), "");
  EXPECT_EQ(engine::LoadCopyTargets(store, keyring, "ALPHA")->copyToPassword, "New2");
  EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(CopyFileToTest, TestConnectionConnectsDisconnectsAndReports) {
  struct Case {
    int code;
    std::string report;
  };
  const Case cases[] = {
      {engine::connect_code::kConnected, "Connection succeeded."},
      // The words for each failure are the engine's (MapDriveTest); one reaches the box here.
      {engine::connect_code::kDuplicateName,
       R"(Path \\files\drop NOT FOUND. Check Append To Path and Filename in Configure Servers.)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    CloseAll();
    shares.calls.clear();
    shares.code = c.code;
    CopyFileToDialog* dialog = Open("ALPHA");
    Box(dialog, "txtCopyTo")->setText(R"(\\files\drop\)");
    Box(dialog, "txtLogin")->setText("copier");
    Box(dialog, "txtPassword")->setText("pw");
    QSignalSpy tested(dialog, &CopyFileToDialog::connectionTested);
    Click(dialog, "cmdTestConnection");
    QTRY_COMPARE(tested.count(), 1);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{c.report});
    std::vector<std::string> calls{R"(connect \\files\drop copier pw)"};
    if (c.code == engine::connect_code::kConnected) calls.push_back("disconnect L:");
    EXPECT_EQ(shares.calls, calls);
  }
  EXPECT_EQ(store.GetINIValue("ALPHA", "CopyPath"), "");  // a test stores nothing
}

}  // namespace
}  // namespace pelvane::tools
