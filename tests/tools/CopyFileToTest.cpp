// SPDX-License-Identifier: GPL-3.0-or-later
#include <QListWidget>
#include <QPushButton>

#include "engine/ServerTargets.h"
#include "engine/StoredPasswords.h"
#include "settings/PasswordScrambler.h"
#include "tools/CopyFileToDialog.h"
#include "tools/CopyTargetChecks.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using engine::Answer;

TEST(CopyTargetChecksTest, RemoteServerFollowsTheAppendToPathWhenAgreed) {
  struct Case {
    std::string appendTo, remote;
    bool yes;
    std::string after;  // the box afterwards
    int asked;
  };
  const Case cases[] = {
      {R"(\\m1\share\log.txt)", "", false, "m1", 1},  // empty: filled whatever is answered
      {R"(\\m1\share\log.txt)", "m1", true, "m1", 0},
      {R"(\\m1\share\log.txt)", "M1", false, "M1", 1},  // case counts; No keeps
      {R"(\\m1\share\log.txt)", "other", true, "m1", 1},
      {"//m2/share/log.txt", "other", true, "m2", 1},
      {R"(\\m3)", "other", true, "m3", 1},
      {"/var/log/app.log", "", true, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appendTo + " / " + c.remote);
    int asked = 0;
    EXPECT_EQ(RemoteServerForAppendPath(c.appendTo, c.remote,
                                        [&](const std::string&) {
                                          ++asked;
                                          return c.yes;
                                        }),
              c.after);
    EXPECT_EQ(asked, c.asked);
  }
}

TEST(CopyTargetChecksTest, TestConnectionDisconnectsOnlyWhatItConnected) {
  testing::TempDir dir;
  struct Case {
    std::string path;
    int code;
    std::vector<std::string> calls;
    std::string report;
  };
  const Case cases[] = {
      {R"(\\files\drop\)",
       engine::connect_code::kConnected,
       {R"(connect \\files\drop copier pw)", "disconnect L:"},
       "Connection succeeded."},
      {R"(\\files\drop)",
       engine::connect_code::kAccessDenied,
       {R"(connect \\files\drop copier pw)"},
       R"(Access denied to \\files\drop. Check username and password.)"},
      {dir.path().string() + "/", engine::connect_code::kAccessDenied, {}, "Connection succeeded."},
      {"/no/such/",
       engine::connect_code::kConnected,
       {},
       "Path /no/such/ NOT FOUND. Check Append To Path and Filename in Configure Servers."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    MemoryShares shares;
    shares.code = c.code;
    EXPECT_EQ(TestCopyConnection(shares, c.path, "copier", "pw"), c.report);
    EXPECT_EQ(shares.calls, c.calls);
  }
}

TEST_F(ToolsTest, CopyFileToLoadsChecksAndSavesTheTargetsAndOffersTheRemoteServer) {
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
  ExpectAccessibleNames(dialog);
  EXPECT_EQ(Text(dialog, "txtReenterPassword"), "Pw1");
  QSignalSpy tested(dialog, &CopyFileToDialog::connectionTested);
  Click(dialog, "cmdTestConnection");  // with what the boxes hold
  QTRY_COMPARE(tested.count(), 1);
  EXPECT_EQ(shares.calls.front(), R"(connect \\files\drop copier Pw1)");
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Connection succeeded."});
  prompter.asked.clear();

  Type(dialog, {{"txtPassword", "secret"}, {"txtReenterPassword", "Secret"}});
  Click(dialog, "cmdOK");
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"Passwords do not match, please re-enter passwords."});
  EXPECT_EQ(Text(dialog, "txtPassword") + Text(dialog, "txtReenterPassword"), "");
  EXPECT_EQ(Get("ALPHA", "CopyToPW"),
            settings::ScramblePassword("Pw1", settings::PasswordKey));  // unchanged

  // Browse keeps the folder of the (first) chosen file.
  prompter.files = {{"/srv/drop/new/file.sql", "/other/x.sql"}};
  Click(dialog, "cmdBrowse");
  EXPECT_EQ(Text(dialog, "txtCopyTo"), "/srv/drop/new/");

  // Leaving the append-to box offers its machine once the focus has moved.
  prompter.answers = {Answer::kYes};
  Type(dialog, {{"txtAppendToFile", R"(\\m1\share\log.txt)"}});
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(Control<QLineEdit>(dialog, "txtAppendToFile"), &out);
  QTRY_COMPARE(Text(dialog, "txtRemoteServer"), "m1");
  EXPECT_EQ(prompter.asked.back().caption, "Change Remote Server?");

  Type(dialog, {{"txtPassword", "New2"}, {"txtReenterPassword", "New2"}});
  Click(dialog, "cmdOK");
  QTRY_VERIFY(Window("frmCopyFileTo") == nullptr);
  QTRY_VERIFY(servers->isEnabled());
  const engine::CopyTargets saved = *engine::LoadCopyTargets(store, keyring, "ALPHA");
  EXPECT_EQ(saved.copyPath, "/srv/drop/new/");
  EXPECT_EQ(saved.copyToPassword, "New2");
  EXPECT_EQ(saved.appendToFile, R"(\\m1\share\log.txt)");
  EXPECT_EQ(saved.getTimeFrom, "m1");
  EXPECT_EQ(prompter.unscripted, 0);
}

}  // namespace
}  // namespace pelvane::tools
