// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <algorithm>
#include <vector>

#include "engine/DateTimeFormat.h"
#include "shell/ShellFixture.h"
#include "support/StandinServer.h"
#include "tools/ChangePasswordDialog.h"

namespace pelvane::tools {
namespace {

using engine::LoginCheckKind;
using shell::WindowsFixture;
using testing::Control;

constexpr char kSuccess[] = "Password change SUCCESSFUL.";
constexpr char kWrongPassword[] =
    "Password Change FAILED, current password incorrect.  You may want to connect manually to "
    "test.";

class ChangePasswordDialogTest : public WindowsFixture {
 protected:
  std::unique_ptr<ChangePasswordDialog> Open(const testing::StandinServer& standin) {
    state.DateTimeFormat = "yyyy";
    servers = {standin.server(0), standin.server(1), standin.server(2)};
    auto dialog = std::make_unique<ChangePasswordDialog>(
        context, servers, [this](const std::string& line) { log += line; });
    QObject::connect(dialog.get(), &ChangePasswordDialog::logClearRequested,
                     [this] { log.clear(); });
    return dialog;
  }

  /// Asks to change ops's password from Old1 to New1, entered again as `again`.
  void Change(const QWidget& dialog, const char* again) {
    for (auto [box, text] : {std::pair{"txtUserName", "ops"},
                             {"txtPassword", "Old1"},
                             {"txtNewPassword", "New1"},
                             {"txtReenterPassword", again}})
      Control<QLineEdit>(dialog, box)->setText(text);
    Control<QPushButton>(dialog, "cmdOK")->click();
  }

  /// The lines a pass gives, in list order, for each server's result text.
  std::string Lines(const std::vector<std::string>& results) const {
    std::string year = engine::Timestamp("yyyy");
    std::string lines;
    for (size_t i = 0; i < results.size(); ++i)
      lines += year + " " + servers[i] + ": " + results[i] + "\r\n";
    return lines;
  }

  LoginCheckKind Check(const std::string& server, const std::string& password) {
    return sql.CheckLogin({server, "ops", password, ""}).kind;
  }

  std::vector<std::string> servers;
  std::string log = "left from the last run\r\n";
};

TEST_F(ChangePasswordDialogTest, AMismatchChangesNothingAndAPassWritesOneLinePerServer) {
  testing::StandinServer standin({3, {"sa:Secret1", "ops:Old1"}, {"pubs"}});
  // The second server already has another password: the old one typed is wrong there.
  ASSERT_EQ(sql.ChangePassword(standin.server(1), "ops", "Old1", "Other1").kind,
            engine::PasswordChangeKind::kChanged);
  auto dialog = Open(standin);
  QSignalSpy finished(dialog.get(), &ChangePasswordDialog::passFinished);

  Change(*dialog, "new1");  // said, nothing changed, the log emptied
  EXPECT_FALSE(dialog->IsChanging());
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"New Password and Re-enter Password do not match, please "
                                     "enter again."});
  EXPECT_EQ(log, "");
  EXPECT_EQ(Check(standin.server(0), "Old1"), LoginCheckKind::kAccepted);

  Change(*dialog, "New1");
  QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
  EXPECT_EQ(log, Lines({kSuccess, kWrongPassword, kSuccess}));
  EXPECT_EQ(Check(standin.server(0), "New1"), LoginCheckKind::kAccepted);
  EXPECT_EQ(Check(standin.server(1), "Other1"), LoginCheckKind::kAccepted);
  EXPECT_EQ(prompter.asked.size(), 1u);
}

// The window keeps working while the servers answer slowly, and closing it during a pass waits
// for the server in progress, skips the rest and then closes.
TEST_F(ChangePasswordDialogTest, WindowStaysAliveAndCloseStopsAfterTheServerInProgress) {
  testing::StandinServer standin({3, {"sa:Secret1", "ops:Old1"}, {"pubs"}, /*latencyMs=*/400});
  QMdiArea area;
  area.resize(640, 480);
  area.show();
  auto owned = Open(standin);
  QPointer<ChangePasswordDialog> dialog = owned.release();
  QMdiSubWindow* frame = area.addSubWindow(dialog);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  frame->show();
  QSignalSpy closed(dialog.data(), &ChangePasswordDialog::closed);

  testing::Heartbeat heartbeat(10);
  Change(*dialog, "New1");
  EXPECT_TRUE(dialog->IsChanging());
  QTRY_VERIFY_WITH_TIMEOUT(!log.empty(), 20000);
  EXPECT_GT(heartbeat.ticks, 10);
  EXPECT_TRUE(dialog->IsChanging());

  Control<QPushButton>(*dialog, "cmdCancel")->click();
  EXPECT_EQ(closed.count(), 0);
  QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 20000);
  QTRY_VERIFY(dialog.isNull());
  // The first server changed; the second was in progress or not yet begun; the third never.
  EXPECT_EQ(log.rfind(Lines({kSuccess}), 0), 0u) << log;
  EXPECT_LE(std::count(log.begin(), log.end(), '\n'), 2);
  EXPECT_EQ(Check(standin.server(2), "Old1"), LoginCheckKind::kAccepted);
}

}  // namespace
}  // namespace pelvane::tools
