// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs that keep a password, with the desktop keyring answering late.
#include <atomic>
#include <chrono>
#include <mutex>

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
  void Shut() { gate_.lock(); }
  void Open() { gate_.unlock(); }
  bool Waiting() const { return waiting_ > 0; }
  Result<std::optional<std::string>> Read(const engine::KeyringEntry& entry) override {
    Pass();
    return real_.Read(entry);
  }
  Status Store(const engine::KeyringEntry& entry, const std::string& label,
               const std::string& password) override {
    Pass();
    return real_.Store(entry, label, password);
  }
  Status Remove(const engine::KeyringEntry& entry) override {
    Pass();
    return real_.Remove(entry);
  }

 private:
  void Pass() {
    ++waiting_;
    if (gate_.try_lock_for(std::chrono::seconds(3))) gate_.unlock();
    --waiting_;
  }
  engine::Keyring& real_;
  std::timed_mutex gate_;
  std::atomic_int waiting_{0};
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
    QTRY_VERIFY(gated.Waiting());
    const int before = heartbeat.ticks;
    QTest::qWait(300);
    EXPECT_GT(heartbeat.ticks, before + 5);
  };
  for (bool sqlLogin : {true, false}) {  // else Copy File To
    SCOPED_TRACE(sqlLogin);
    gated.Shut();
    QWidget* dialog = sqlLogin
                          ? static_cast<QWidget*>(OpenFor<SqlLoginDialog>(server, &gatedContext))
                          : OpenFor<CopyFileToDialog>(server, &gatedContext);
    expectResponsiveWhileWaiting();
    EXPECT_FALSE(Control<QWidget>(dialog, "txtPassword")->isEnabled());
    gated.Open();
    QTRY_COMPARE(Text(dialog, "txtPassword"), "Old1");

    Type(dialog, {{"txtPassword", "Secret1"},
                  {sqlLogin ? "txtUserName" : "txtReenterPassword", sqlLogin ? "sa" : "Secret1"}});
    gated.Shut();
    Click(dialog, "cmdOK");
    QTRY_VERIFY_WITH_TIMEOUT(gated.Waiting(), 15000);
    expectResponsiveWhileWaiting();
    EXPECT_FALSE(Control<QWidget>(dialog, "cmdOK")->isEnabled());
    gated.Open();
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
