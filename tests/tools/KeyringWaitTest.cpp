// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs that keep a password, with the desktop keyring answering late.
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/ServerTargets.h"
#include "engine/StoredPasswords.h"
#include "support/PrivateSecretService.h"
#include "support/StandinServer.h"
#include "tools/CopyFileToDialog.h"
#include "tools/SqlLoginDialog.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

/// The desktop keyring behind a gate: while the test holds the gate shut every call waits, as it
/// does while a locked keyring's unlock prompt is up. A call gives up waiting after three
/// seconds, so a window thread that waits on it stalls rather than hanging the test.
class GatedKeyring : public engine::Keyring {
 public:
  explicit GatedKeyring(engine::Keyring& real) : real_(real) {}
  Result<std::optional<std::string>> Read(const engine::KeyringEntry& entry) override {
    return Pass().Read(entry);
  }
  Status Store(const engine::KeyringEntry& entry, const std::string& label,
               const std::string& password) override {
    return Pass().Store(entry, label, password);
  }
  Status Remove(const engine::KeyringEntry& entry) override { return Pass().Remove(entry); }
  std::atomic_bool shut{false};
  std::atomic_int waiting{0};

 private:
  /// The real keyring, once the gate is open.
  engine::Keyring& Pass() {
    ++waiting;
    // Polled, not a mutex the test holds: a lock taken on one thread and given back on another
    // is undefined, and the thread sanitizer cannot follow a timed lock.
    for (int i = 0; shut && i < 300; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    --waiting;
    return real_;
  }
  engine::Keyring& real_;
};

// A keyring that waits (locked, or a Secret Service that does not answer) holds the boxes, not
// the window thread; what it answers lands when it comes. The login is tested before the save.
TEST_F(ToolsTest, PasswordDialogsWaitForTheDesktopKeyringWithTheWindowResponsive) {
  static testing::PrivateSecretService secretService;  // libsecret keeps its first bus
  GatedKeyring gated(keyring);
  shell::ShellPorts gatedPorts{sql, processes, shares, clock, services, sleeper, gated};
  shell::ShellContext gatedContext{store, state, gatedPorts, prompter, context.programFolder};
  Set("Pelvane", engine::kPasswordStoreKey, "keyring");
  testing::StandinServer standin;
  const std::string server = standin.server();
  ASSERT_TRUE(engine::SaveCopyTargets(store, keyring, server, {"/", "copier", "Old1", "", ""}));
  ASSERT_TRUE(
      engine::SavePassword(store, keyring, server, engine::PasswordKind::kSqlLogin, "Old1"));
  Heartbeat heartbeat(20);
  const auto expectResponsiveWhileWaiting = [&] {
    QTRY_VERIFY(gated.waiting > 0);
    const int before = heartbeat.ticks;
    QTest::qWait(300);
    EXPECT_GT(heartbeat.ticks, before + 5);
  };
  for (bool sqlLogin : {true, false}) {  // else Copy File To
    SCOPED_TRACE(sqlLogin);
    gated.shut = true;
    QWidget* dialog = sqlLogin
                          ? static_cast<QWidget*>(OpenFor<SqlLoginDialog>(server, &gatedContext))
                          : OpenFor<CopyFileToDialog>(server, &gatedContext);
    expectResponsiveWhileWaiting();
    EXPECT_FALSE(Control<QWidget>(dialog, "txtPassword")->isEnabled());
    gated.shut = false;
    QTRY_COMPARE(Text(dialog, "txtPassword"), "Old1");

    Type(dialog, {{"txtPassword", "Secret1"},
                  {sqlLogin ? "txtUserName" : "txtReenterPassword", sqlLogin ? "sa" : "Secret1"}});
    gated.shut = true;
    Click(dialog, "cmdOK");
    QTRY_VERIFY_WITH_TIMEOUT(gated.waiting > 0, 15000);
    expectResponsiveWhileWaiting();
    EXPECT_FALSE(Control<QWidget>(dialog, "cmdOK")->isEnabled());
    gated.shut = false;
    QTRY_COMPARE(mdi.subWindowList().size(), 0);
    EXPECT_EQ(Get(server, sqlLogin ? "Password" : "CopyToPW"), "");
    EXPECT_EQ(*engine::ReadPassword(
                  store, keyring, server,
                  sqlLogin ? engine::PasswordKind::kSqlLogin : engine::PasswordKind::kNetworkLogin),
              "Secret1");
  }
  EXPECT_TRUE(prompter.asked.empty());
}

}  // namespace
}  // namespace pelvane::tools
