// SPDX-License-Identifier: GPL-3.0-or-later

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "engine/ServerAdmin.h"
#include "engine/StoredPasswords.h"
#include "platform/SilentListener.h"
#include "support/StandinServer.h"
#include "tools/GatedKeyring.h"
#include "tools/SqlLoginDialog.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using engine::Answer;
using testing::SilentListener;

class SqlLoginTest : public ToolsTest {
 protected:
  static void Fill(QWidget* dialog, const QString& user, const QString& password,
                   const QString& database, const QString& group) {
    Type(dialog, {{"txtUserName", user}, {"txtPassword", password}, {"txtDatabase", database}});
    Control<QComboBox>(dialog, "cmbServerGroup")->setEditText(group);
  }

  testing::StandinServer standin;
};

TEST_F(SqlLoginTest, TestsTheLoginOffTheWindowThreadAndSavesAsAnswered) {
  SilentListener silent;
  struct Case {
    std::string server, password;
    std::deque<Answer> answers;
    std::string title;  // of the question; empty: none asked
    bool saved;
  };
  const Case cases[] = {
      {standin.server(), "Secret1", {}, "", true},
      {standin.server(), "wrong", {Answer::kNo}, "Login Failed", false},
      {standin.server(), "wrong", {Answer::kYes}, "Login Failed", true},
      // The question for each outcome is the engine's (LoginTestTest); a server that does not
      // answer shows the window waits without blocking.
      {silent.server(), "Secret1", {Answer::kNo}, "Server not accessible", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server + " " + c.password);
    CloseAll();
    ASSERT_TRUE(store.DeleteSection(c.server));
    prompter.answers = c.answers;
    auto* dialog = OpenFor<SqlLoginDialog>(c.server);
    QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
    Fill(dialog, "sa", QString::fromStdString(c.password), "pubs", "west");

    Heartbeat heartbeat(20);
    Click(dialog, "cmdOK");
    // While the server is asked the window keeps turning, with OK held disabled.
    EXPECT_FALSE(Control<QPushButton>(dialog, "cmdOK")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
    if (c.server == silent.server()) {
      EXPECT_GT(heartbeat.ticks, 10);  // two seconds of login time-out
    }

    ASSERT_EQ(prompter.asked.size(), c.title.empty() ? 0u : 1u);
    if (!c.title.empty()) {
      EXPECT_EQ(prompter.asked[0].caption, c.title);
    }
    EXPECT_EQ(store.GetINIValue(c.server, "Login"), c.saved ? "sa" : "")
        << ::testing::PrintToString(prompter.Texts());
    EXPECT_EQ(store.GetINIValue(c.server, "Database"), c.saved ? "PUBS" : "");
    EXPECT_EQ(store.GetINIValue(c.server, "ServerGroup"), c.saved ? "WEST" : "");
    QTRY_COMPARE(Window("frmSQLLogin") == nullptr, c.saved);  // No keeps it open to correct
    if (!c.saved) {
      EXPECT_TRUE(Control<QPushButton>(dialog, "cmdOK")->isEnabled());
      EXPECT_EQ(dialog->cursor().shape(), Qt::ArrowCursor);
    }
  }
  EXPECT_EQ(prompter.unscripted, 0);
}

TEST_F(SqlLoginTest, ShowsTheStoredLoginAndSavesAnUnchangedPasswordByteForByte) {
  AddServer("ALPHA", "WEST");
  AddServer("BRAVO", "EAST");
  // A password that needs every byte of its scrambled form.
  ASSERT_TRUE(
      engine::SaveSqlLogin(store, keyring, standin.server(), {"sa", "Secret1", "pubs", "west"}));
  const std::string scrambled = store.GetINIValue(standin.server(), "Password");
  ASSERT_FALSE(scrambled.empty());

  auto* dialog = OpenFor<SqlLoginDialog>(standin.server());
  ExpectAccessibleNames(dialog);
  EXPECT_EQ(Text(dialog, "txtPassword"), "Secret1");
  EXPECT_EQ(Control<QLineEdit>(dialog, "txtPassword")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Text(dialog, "txtDatabase"), "PUBS");
  auto* groups = Control<QComboBox>(dialog, "cmbServerGroup");
  EXPECT_EQ(groups->currentText(), "WEST");
  EXPECT_EQ(groups->count(), 2);  // the groups as the servers first name them, no "ALL"

  QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
  QTest::keyClick(Control<QLineEdit>(dialog, "txtDatabase"), Qt::Key_Return);  // OK is default
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
  EXPECT_EQ(store.GetINIValue(standin.server(), "Password"), scrambled);
  EXPECT_TRUE(prompter.asked.empty());
}

// A keyring that waits (locked, or a Secret Service that does not answer) holds the boxes, not
// the window thread; what it answers lands when it comes.
TEST_F(SqlLoginTest, KeepsThePasswordInTheDesktopKeyringWhenSoConfigured) {
  GatedWorld world(*this);
  ASSERT_TRUE(engine::SavePassword(store, keyring, standin.server(),
                                   engine::PasswordKind::kSqlLogin, "Old1"));
  world.gated.Shut();
  auto* dialog = OpenFor<SqlLoginDialog>(standin.server(), &world.context);
  QSignalSpy loaded(dialog, &SqlLoginDialog::loginLoaded);
  QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
  for (const char* name : {"txtPassword", "cmdOK"})
    EXPECT_FALSE(Control<QWidget>(dialog, name)->isEnabled()) << name;
  world.ExpectResponsiveWhileWaiting();
  world.gated.Open();
  QTRY_COMPARE(loaded.count(), 1);
  EXPECT_EQ(Text(dialog, "txtPassword"), "Old1");
  EXPECT_TRUE(Control<QPushButton>(dialog, "cmdOK")->isEnabled());

  Fill(dialog, "sa", "Secret1", "pubs", "west");
  world.gated.Shut();
  Click(dialog, "cmdOK");
  QTRY_VERIFY_WITH_TIMEOUT(world.gated.Waiting(), 15000);  // the login test passed; now the save
  world.ExpectResponsiveWhileWaiting();
  EXPECT_FALSE(Control<QLineEdit>(dialog, "txtPassword")->isEnabled());
  EXPECT_EQ(tested.count(), 0);
  EXPECT_NE(Window("frmSQLLogin"), nullptr);
  world.gated.Open();
  QTRY_COMPARE(tested.count(), 1);
  QTRY_VERIFY(Window("frmSQLLogin") == nullptr);
  EXPECT_EQ(store.GetINIValue(standin.server(), "Password"), "");
  EXPECT_EQ(store.GetINIValue(standin.server(), "Database"), "PUBS");
  EXPECT_EQ(
      *engine::ReadPassword(store, keyring, standin.server(), engine::PasswordKind::kSqlLogin),
      "Secret1");
  EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(SqlLoginTest, ClosingDuringTheTestWaitsForItAndThenClosesWithoutAsking) {
  SilentListener silent;
  QWidget* dialog = OpenFor<SqlLoginDialog>(silent.server());
  Fill(dialog, "sa", "Secret1", "", "");
  Click(dialog, "cmdOK");
  mdi.closeAllSubWindows();
  EXPECT_NE(Window("frmSQLLogin"), nullptr);  // still open while the server is asked
  QTRY_VERIFY_WITH_TIMEOUT(Window("frmSQLLogin") == nullptr, 15000);
  EXPECT_TRUE(prompter.asked.empty());
  EXPECT_EQ(store.GetINIValue(silent.server(), "Login"), "");
}

TEST_F(SqlLoginTest, RefusesWhatCouldNeverBeSavedBeforeTestingAndCancelSavesNothing) {
  auto* dialog = OpenFor<SqlLoginDialog>("ALPHA");
  // The rules are the engine's (ServerAdminTest); one empty field and a user name that would
  // read back as empty are refused at once, not after a login test.
  Fill(dialog, "sa", "", "db", "");
  Click(dialog, "cmdOK");
  Fill(dialog, "?sa", "pw", "db", "");
  Click(dialog, "cmdOK");
  ASSERT_EQ(prompter.asked.size(), 2u);
  EXPECT_EQ(prompter.asked[0].caption, "Login");
  EXPECT_EQ(prompter.asked[0].text, engine::kEmptyLoginMessage);
  EXPECT_NE(prompter.asked[1].text.find("cannot begin with \"?\""), std::string::npos);
  EXPECT_TRUE(Control<QPushButton>(dialog, "cmdOK")->isEnabled());
  Fill(dialog, "sa", "pw", "db", "g");
  QTest::keyClick(Control<QLineEdit>(dialog, "txtUserName"), Qt::Key_Escape);
  QTRY_VERIFY(Window("frmSQLLogin") == nullptr);
  EXPECT_EQ(store.GetINIValue("ALPHA", "Login"), "");
}

}  // namespace
}  // namespace pelvane::tools
