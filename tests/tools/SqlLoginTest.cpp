// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "engine/ServerAdmin.h"
#include "engine/StoredPasswords.h"
#include "platform/SilentListener.h"
#include "support/StandinServer.h"
#include "support/TestCertificates.h"
#include "tools/ChangePasswordDialog.h"
#include "tools/SqlLoginDialog.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using engine::Answer;

class SqlLoginTest : public ToolsTest {
 protected:
  static void Fill(QWidget* dialog, const QString& user, const QString& password) {
    Type(dialog, {{"txtUserName", user}, {"txtPassword", password}, {"txtDatabase", "pubs"}});
    Control<QComboBox>(dialog, "cmbServerGroup")->setEditText("west");
  }
  testing::StandinServer standin;
};

// The question for each outcome is the engine's (LoginTestTest); here the answer decides.
TEST_F(SqlLoginTest, AFailedLoginIsSavedOnlyWhenTheUserSaysSo) {
  for (Answer answer : {Answer::kNo, Answer::kYes}) {
    const bool saved = answer == Answer::kYes;
    SCOPED_TRACE(saved);
    CloseAll();
    prompter.answers = {answer};
    auto* dialog = OpenFor<SqlLoginDialog>(standin.server());
    QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
    Fill(dialog, "sa", "wrong");
    Click(dialog, "cmdOK");
    QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].caption, "Login Failed");
    EXPECT_EQ(store.GetINIValue(standin.server(), "Login"), saved ? "sa" : "");
    EXPECT_EQ(store.GetINIValue(standin.server(), "ServerGroup"), saved ? "WEST" : "");
    QTRY_COMPARE(Window("frmSQLLogin") == nullptr, saved);  // No keeps it open to correct
    EXPECT_TRUE(saved || Control<QPushButton>(dialog, "cmdOK")->isEnabled());
  }
}

TEST_F(SqlLoginTest, ShowsTheStoredLoginAndSavesAnUnchangedPasswordByteForByte) {
  AddServer("ALPHA", "WEST");
  AddServer("BRAVO", "EAST");
  ASSERT_TRUE(
      engine::SaveSqlLogin(store, keyring, standin.server(), {"sa", "Secret1", "pubs", "west"}));
  const std::string scrambled = store.GetINIValue(standin.server(), "Password");

  auto* dialog = OpenFor<SqlLoginDialog>(standin.server());
  ExpectAccessibleNames(dialog);
  EXPECT_EQ(Text(dialog, "txtPassword"), "Secret1");
  auto* groups = Control<QComboBox>(dialog, "cmbServerGroup");
  EXPECT_EQ(groups->currentText(), "WEST");
  EXPECT_EQ(groups->count(), 2);  // the groups as the servers first name them, no "ALL"

  QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
  QTest::keyClick(Control<QLineEdit>(dialog, "txtDatabase"), Qt::Key_Return);  // OK is default
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
  QTRY_VERIFY(Window("frmSQLLogin") == nullptr);
  EXPECT_EQ(store.GetINIValue(standin.server(), "Password"), scrambled);
  EXPECT_TRUE(prompter.asked.empty());
}

// A server that does not answer: the window keeps turning with OK held, and closing it waits
// for the login test, then closes without asking or saving.
TEST_F(SqlLoginTest, ASilentServerNeitherBlocksTheWindowNorOutlivesItsClose) {
  testing::SilentListener silent;
  QWidget* dialog = OpenFor<SqlLoginDialog>(silent.server());
  Fill(dialog, "sa", "Secret1");
  Heartbeat heartbeat(20);
  Click(dialog, "cmdOK");
  EXPECT_FALSE(Control<QPushButton>(dialog, "cmdOK")->isEnabled());
  QTest::qWait(500);
  EXPECT_GT(heartbeat.ticks, 10);
  mdi.closeAllSubWindows();
  EXPECT_NE(Window("frmSQLLogin"), nullptr);  // still open while the server is asked
  QTRY_VERIFY_WITH_TIMEOUT(Window("frmSQLLogin") == nullptr, 15000);
  EXPECT_TRUE(prompter.asked.empty());
  EXPECT_EQ(store.GetINIValue(silent.server(), "Login"), "");
}

// What could never be saved is refused at once, not after a login test (the rules are the
// engine's, ServerAdminTest); Cancel saves nothing.
TEST_F(SqlLoginTest, RefusesWhatCouldNeverBeSavedAndCancelSavesNothing) {
  auto* dialog = OpenFor<SqlLoginDialog>("ALPHA");
  Fill(dialog, "sa", "");
  Click(dialog, "cmdOK");
  Fill(dialog, "?sa", "pw");
  Click(dialog, "cmdOK");
  ASSERT_EQ(prompter.asked.size(), 2u);
  EXPECT_EQ(prompter.asked[0].text, engine::kEmptyLoginMessage);
  EXPECT_NE(prompter.asked[1].text.find("cannot begin with \"?\""), std::string::npos);
  EXPECT_TRUE(Control<QPushButton>(dialog, "cmdOK")->isEnabled());
  QTest::keyClick(Control<QLineEdit>(dialog, "txtUserName"), Qt::Key_Escape);
  QTRY_VERIFY(Window("frmSQLLogin") == nullptr);
  EXPECT_EQ(store.GetINIValue("ALPHA", "Login"), "");
}

TEST_F(ToolsTest, SqlLoginEncryptionControlsAreTestedAndSaved) {
  testing::TestCertificates certificates;
  testing::StandinServer::Options options;
  options.tlsCertificate = certificates.selfSigned().certificate;
  options.tlsKey = certificates.selfSigned().key;
  options.encryption = "on";
  testing::StandinServer standin(options);
  const std::string server = standin.server();
  auto* dialog = OpenFor<SqlLoginDialog>(server);
  QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
  Type(dialog, {{"txtUserName", "sa"}, {"txtPassword", "Secret1"}});

  // By default the self-signed certificate is refused; trusted, it connects and saves that key
  // alone.
  prompter.answers = {engine::Answer::kNo};
  Click(dialog, "cmdOK");
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
  ASSERT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(prompter.asked[0].caption, "Certificate Not Trusted");
  Control<QCheckBox>(dialog, "chkTrustServerCertificate")->setChecked(true);
  Click(dialog, "cmdOK");
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 2, 15000);
  EXPECT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(store.GetINIValue(server, "TrustServerCertificate"), "1");
  EXPECT_EQ(store.GetINIValue(server, "Login"), "sa");
  EXPECT_EQ(store.GetINIValue(server, "Encrypt"), "");
}

// A DOMAIN\user name logs in with NTLM; both dialogs with a user box say so beside it.
TEST_F(ToolsTest, WindowsLoginLabelFollowsTheUserName) {
  context.session.CurrentServer = "127.0.0.1,1";
  std::unique_ptr<QWidget> dialogs[] = {
      std::make_unique<SqlLoginDialog>(context),
      std::make_unique<ChangePasswordDialog>(context, std::vector<std::string>{"127.0.0.1,1"},
                                             [](const std::string&) {})};
  for (std::unique_ptr<QWidget>& owned : dialogs) {
    QWidget* dialog = ShowInMdi(mdi, std::move(owned));
    SCOPED_TRACE(dialog->objectName().toStdString());
    auto* label = Control<QLabel>(dialog, "lblWindowsLogin");
    for (const char* name : {"CORP\\alice", "sa"}) {
      Type(dialog, {{"txtUserName", name}});
      EXPECT_EQ(label->isVisible(), QString(name).contains('\\')) << name;
    }
  }
}

}  // namespace
}  // namespace pelvane::tools
