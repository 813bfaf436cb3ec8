// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>

#include "engine/ServerAdmin.h"
#include "engine/StoredPasswords.h"
#include "support/Loopback.h"
#include "support/StandinServer.h"
#include "support/TestCertificates.h"
#include "tools/SqlLoginDialog.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using SqlLoginTest = ToolsTest;

TEST_F(SqlLoginTest, ShowsTheStoredLoginAndSavesAnUnchangedPasswordByteForByte) {
  testing::StandinServer standin;
  ASSERT_TRUE(
      engine::SaveSqlLogin(store, keyring, standin.server(), {"sa", "Secret1", "pubs", "west"}));
  const std::string scrambled = Get(standin.server(), "Password");

  auto* dialog = OpenFor<SqlLoginDialog>(standin.server());
  EXPECT_EQ(Text(dialog, "txtPassword"), "Secret1");

  QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
  QTest::keyClick(Control<QLineEdit>(dialog, "txtDatabase"), Qt::Key_Return);  // OK is default
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
  QTRY_VERIFY(Window("frmSQLLogin") == nullptr);
  EXPECT_EQ(Get(standin.server(), "Password"), scrambled);
  EXPECT_TRUE(prompter.asked.empty());
}

// What could never be saved is refused at once, before a login test (the rules are the
// engine's, ServerAdminTest). A server that does not answer: the window keeps turning with OK
// held, and closing it waits for the login test, then closes without asking or saving.
TEST_F(SqlLoginTest, RefusesAtOnceAndASilentServerNeitherBlocksTheWindowNorOutlivesItsClose) {
  testing::SilentListener silent;
  QWidget* dialog = OpenFor<SqlLoginDialog>(silent.server());
  Type(dialog, {{"txtUserName", "sa"}, {"txtPassword", ""}});
  Click(dialog, "cmdOK");
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{engine::kEmptyLoginMessage});
  prompter.asked.clear();
  Type(dialog, {{"txtUserName", "sa"}, {"txtPassword", "Secret1"}});
  Heartbeat heartbeat(20);
  Click(dialog, "cmdOK");
  EXPECT_FALSE(Control<QWidget>(dialog, "cmdOK")->isEnabled());
  QTest::qWait(500);
  EXPECT_GT(heartbeat.ticks, 10);
  mdi.closeAllSubWindows();
  EXPECT_NE(Window("frmSQLLogin"), nullptr);  // still open while the server is asked
  QTRY_VERIFY_WITH_TIMEOUT(Window("frmSQLLogin") == nullptr, 15000);
  EXPECT_TRUE(prompter.asked.empty());
  EXPECT_EQ(Get(silent.server(), "Login"), "");
}

// The question for each outcome is the engine's (LoginTestTest); here the answer decides. A
// self-signed certificate is refused by default and No saves nothing; trusted, the certificate
// passes, the login fails, and Yes saves the login and that key alone.
TEST_F(SqlLoginTest, AFailedLoginIsSavedOnlyWhenTheUserSaysSoWithTheEncryptionChosen) {
  testing::TestCertificates certificates;
  const testing::TestCertificates::Pair tls = certificates.selfSigned();
  testing::StandinServer standin({1, {"sa:Secret1"}, {"pubs"}, 0, tls.certificate, tls.key, "on"});
  const std::string server = standin.server();
  auto* dialog = OpenFor<SqlLoginDialog>(server);
  QSignalSpy tested(dialog, &SqlLoginDialog::loginTested);
  Type(dialog, {{"txtUserName", "sa"}, {"txtPassword", "wrong"}});
  prompter.answers = {engine::Answer::kNo, engine::Answer::kYes};
  Click(dialog, "cmdOK");
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
  EXPECT_EQ(prompter.asked.back().caption, "Certificate Not Trusted");
  EXPECT_EQ(Get(server, "Login"), "");
  EXPECT_TRUE(
      Control<QWidget>(dialog, "cmdOK")->isEnabled());  // No keeps the window open, to be corrected
  Control<QCheckBox>(dialog, "chkTrustServerCertificate")->setChecked(true);
  Click(dialog, "cmdOK");
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 2, 15000);
  EXPECT_EQ(prompter.asked.back().caption, "Login Failed");
  QTRY_VERIFY(Window("frmSQLLogin") == nullptr);
  EXPECT_EQ(Get(server, "TrustServerCertificate") + Get(server, "Login"), "1sa");
  EXPECT_EQ(Get(server, "Encrypt"), "");
}

// A DOMAIN\user name logs in with NTLM; the dialog says so beside the user box.
TEST_F(SqlLoginTest, WindowsLoginLabelFollowsTheUserName) {
  QWidget* dialog = OpenFor<SqlLoginDialog>("127.0.0.1,1");
  Type(dialog, {{"txtUserName", "CORP\\alice"}});
  EXPECT_TRUE(Control<QLabel>(dialog, "lblWindowsLogin")->isVisible());
  Type(dialog, {{"txtUserName", "sa"}});
  EXPECT_FALSE(Control<QLabel>(dialog, "lblWindowsLogin")->isVisible());
}

}  // namespace
}  // namespace pelvane::tools
