// SPDX-License-Identifier: GPL-3.0-or-later
// The service and connection tools against Samba on loopback: the real service manager calls
// and share connections, with the window thread kept turning while they run.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "engine/ServerTargets.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/SmbNetworkShares.h"
#include "support/SambaServer.h"
#include "tools/CopyFileToDialog.h"
#include "tools/ServiceStatusDialogs.h"
#include "tools/ToolWindowFrame.h"
#include "tools/ToolWindows.h"
#include "tools/ToolsFixture.h"

// libsmbclient names Samba's debug log file on its first context and never frees the name.
// Samba's libraries are built without frame pointers, so the leak checker sees only talloc in
// that stack; only Samba's own allocations come from talloc here.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libtalloc.so\n";
}

namespace pelvane::tools {
namespace {

using testing::SambaServer;

class ToolsSambaTest : public ToolsTest {
 protected:
  ToolsSambaTest() {
    AddServer("SAMBA");
    EXPECT_TRUE(
        engine::SaveServiceSettings(store, "SAMBA", {SambaServer::kService, Samba().Machine()}));
    EXPECT_TRUE(engine::SaveCopyTargets(
        store, keyring, "SAMBA",
        {Samba().NetworkPath(""), SambaServer::kUser, SambaServer::kPassword, "", ""}));
  }
  static SambaServer& Samba() { return SambaServer::Shared(); }

  platform::NetRpcServiceControl netServices;
  platform::SmbNetworkShares smbShares;
  shell::ShellPorts sambaPorts{sql, processes, smbShares, clock, netServices, sleeper, keyring};
  shell::ShellContext sambaContext{store, state, sambaPorts, prompter, dir.path().string()};
};

TEST_F(ToolsSambaTest, StartStopFollowsTheServiceUntilItSettles) {
  OpenToolWindow(ToolWindow::kStartStopService, sambaContext, mdi);
  auto* dialog = Window<ServiceDialogBase>("frmStartStopService");
  ASSERT_NE(dialog, nullptr);
  auto* servers = Control<QComboBox>(dialog, "cmbServer");
  auto* action = Control<QComboBox>(dialog, "cmbStartStop");
  auto* label = Control<QLabel>(dialog, "lblMessage");
  QSignalSpy done(dialog, &ServiceDialogBase::serviceWorkDone);
  const QString prefix = QString::fromStdString(std::string(SambaServer::kService) + " (" +
                                                Samba().Machine() + ") - ");

  servers->setCurrentIndex(servers->findText("SAMBA"));
  Q_EMIT servers->activated(servers->currentIndex());
  QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 30000);
  for (const auto& [verb, shown] :
       {std::pair<QString, QString>{"Stop", "Stopped"}, {"Start", "Running"}}) {
    SCOPED_TRACE(verb.toStdString());
    action->setCurrentIndex(action->findText(verb));
    Q_EMIT action->activated(action->currentIndex());
    Heartbeat heartbeat(10);
    const int before = done.count();
    Click(dialog, "cmdStartStop");
    EXPECT_FALSE(Control<QPushButton>(dialog, "cmdStartStop")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), before + 1, 60000);
    EXPECT_EQ(label->text(), prefix + shown);
    EXPECT_GT(heartbeat.ticks, 0);  // the window thread ran while net was asked
  }
  EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(ToolsSambaTest, TestConnectionReachesTheShareWithTheTypedLogin) {
  for (const auto& [password, report] :
       {std::pair<std::string, std::string>{SambaServer::kPassword, "Connection succeeded."},
        {"wrong", "Access denied to " +
                      Samba().NetworkPath("").substr(0, Samba().NetworkPath("").size() - 1) +
                      ". Check username and password."}}) {
    SCOPED_TRACE(password);
    CloseAll();
    sambaContext.session.CurrentServer = "SAMBA";
    auto* dialog = static_cast<CopyFileToDialog*>(
        ShowInMdi(mdi, std::make_unique<CopyFileToDialog>(sambaContext)));
    Control<QLineEdit>(dialog, "txtPassword")->setText(QString::fromStdString(password));
    QSignalSpy tested(dialog, &CopyFileToDialog::connectionTested);
    Click(dialog, "cmdTestConnection");
    QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 30000);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{report});
  }
}

}  // namespace
}  // namespace pelvane::tools
