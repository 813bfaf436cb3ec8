// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "engine/ports/Keyring.h"
#include "support/PrivateSecretService.h"

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

}  // namespace pelvane::tools
