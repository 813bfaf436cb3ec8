// SPDX-License-Identifier: GPL-3.0-or-later
// The service and connection tools against Samba on loopback: the real service manager calls
// and share connections, with the window thread kept turning while they run.
#include <QComboBox>
#include <QLabel>

#include "engine/ServerTargets.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/SmbNetworkShares.h"
#include "support/SambaServer.h"
#include "tools/CopyFileToDialog.h"
#include "tools/ServiceStatusDialogs.h"
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
  ExpectAccessibleNames(dialog);
  QSignalSpy done(dialog, &ServiceDialogBase::serviceWorkDone);
  const QString prefix = QString::fromStdString(std::string(SambaServer::kService) + " (" +
                                                Samba().Machine() + ") - ");
  for (const auto& [combo, item] : {std::pair{"cmbServer", "SAMBA"}, {"cmbStartStop", "Stop"}}) {
    auto* box = Control<QComboBox>(dialog, combo);
    box->setCurrentIndex(box->findText(item));
    Q_EMIT box->activated(box->currentIndex());
  }
  QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 30000);  // the state shown on choosing
  Heartbeat heartbeat(10);
  Click(dialog, "cmdStartStop");
  EXPECT_FALSE(Control<QWidget>(dialog, "cmdStartStop")->isEnabled());  // held until it settles
  QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 60000);
  EXPECT_EQ(Control<QLabel>(dialog, "lblMessage")->text(), prefix + "Stopped");
  EXPECT_GT(heartbeat.ticks, 0);  // the window thread ran while net was asked
  EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(ToolsSambaTest, TestConnectionReachesTheShareWithTheStoredLogin) {
  sambaContext.session.CurrentServer = "SAMBA";
  auto* dialog = static_cast<CopyFileToDialog*>(
      ShowInMdi(mdi, std::make_unique<CopyFileToDialog>(sambaContext)));
  QSignalSpy tested(dialog, &CopyFileToDialog::connectionTested);
  Click(dialog, "cmdTestConnection");
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 30000);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Connection succeeded."});
}

}  // namespace
}  // namespace pelvane::tools
