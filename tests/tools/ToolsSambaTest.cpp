// SPDX-License-Identifier: GPL-3.0-or-later
// The service and connection tools against Samba on loopback: the real service manager calls
// and share connections, with the window thread kept turning while they run.
#include <QLabel>

#include "engine/ServerTargets.h"
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
};

// The state read in its colour; a start or stop followed until the service settles.
TEST_F(ToolsSambaTest, ServiceDialogsReadAndFollowTheService) {
  const std::string prefix = std::string(SambaServer::kService) + " (" + Samba().Machine() + ") - ";
  auto* status = Open<ServiceDialogBase>(ToolWindow::kCheckServiceStatus, "frmCheckServiceStatus");
  ASSERT_NE(status, nullptr);
  auto* label = Control<QLabel>(status, "lblServerStatus");
  QSignalSpy read(status, &ServiceDialogBase::serviceWorkDone);
  Choose(status, "cmbServer", "SAMBA");
  Click(status, "cmdGetStatus");
  QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 30000);
  EXPECT_EQ(label->text().toStdString(), prefix + "Running");

  auto* dialog = Open<ServiceDialogBase>(ToolWindow::kStartStopService, "frmStartStopService");
  ASSERT_NE(dialog, nullptr);
  QSignalSpy done(dialog, &ServiceDialogBase::serviceWorkDone);
  Choose(dialog, "cmbServer", "SAMBA");
  Choose(dialog, "cmbStartStop", "Stop");
  QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 30000);  // the state shown on choosing
  Heartbeat heartbeat(10);
  Click(dialog, "cmdStartStop");
  EXPECT_FALSE(Control<QWidget>(dialog, "cmdStartStop")->isEnabled());  // held until it settles
  QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 60000);
  label = Control<QLabel>(dialog, "lblMessage");
  EXPECT_EQ(label->text().toStdString(), prefix + "Stopped");
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_GT(heartbeat.ticks, 0);  // the window thread ran while net was asked
  EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(ToolsSambaTest, TestConnectionReachesTheShareWithTheStoredLogin) {
  auto* dialog = OpenFor<CopyFileToDialog>("SAMBA");
  QSignalSpy tested(dialog, &CopyFileToDialog::connectionTested);
  Click(dialog, "cmdTestConnection");
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 30000);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Connection succeeded."});
}

}  // namespace
}  // namespace pelvane::tools
