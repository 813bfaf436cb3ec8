// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "engine/StoredPasswords.h"
#include "engine/ports/Keyring.h"
#include "uikit/ShellContext.h"
#include "support/PrivateSecretService.h"
#include "support/WindowTestKit.h"

namespace pelvane::tools {

/// One Secret Service for the whole test program: the keyring library keeps the first bus it
/// talked to.
inline testing::PrivateSecretService& SharedSecretService() {
  static testing::PrivateSecretService service;
  return service;
}

/// The desktop keyring behind a gate: while the gate is shut every call waits, as it does while
/// a locked keyring's unlock prompt is up. A call gives up waiting after `patience`, so a window
/// thread that waits on it stalls rather than hanging the test.
class GatedKeyring : public engine::Keyring {
 public:
  explicit GatedKeyring(engine::Keyring& real,
                        std::chrono::milliseconds patience = std::chrono::seconds(3))
      : real_(real), patience_(patience) {}

  void Shut() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  /// True while a call waits at the gate.
  bool Waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_ > 0;
  }

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
    std::unique_lock<std::mutex> lock(mutex_);
    ++waiting_;
    changed_.wait_for(lock, patience_, [this] { return open_; });
    --waiting_;
  }

  engine::Keyring& real_;
  const std::chrono::milliseconds patience_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  int waiting_ = 0;
};

/// A test's windows with the keyring behind a gate, the settings set to keep passwords in it.
struct GatedWorld {
  template <class World>
  explicit GatedWorld(World& world)
      : gated(world.keyring),
        ports{world.sql,      world.processes, world.shares, world.clock,
              world.services, world.sleeper,   gated},
        context{world.store, world.state, ports, world.prompter, world.context.programFolder} {
    SharedSecretService();
    EXPECT_TRUE(world.store.SaveINIValues("Pelvane", engine::kPasswordStoreKey, "keyring"));
  }
  /// While a call waits at the gate the window thread keeps turning.
  void ExpectResponsiveWhileWaiting() {
    QTRY_VERIFY(gated.Waiting());
    const int before = heartbeat.ticks;
    QTest::qWait(300);
    EXPECT_GT(heartbeat.ticks, before + 5);
  }
  GatedKeyring gated;
  shell::ShellPorts ports;
  shell::ShellContext context;
  testing::Heartbeat heartbeat{20};
};

}  // namespace pelvane::tools
