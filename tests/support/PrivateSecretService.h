// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace pelvane::testing {

/// A session bus of its own with GNOME Keyring's Secret Service on it, its keyring unlocked
/// with a password, its files under a fresh folder; works as root with no session of its own.
/// This process is pointed at the bus. The bus, and with it the keyring daemon, ends when the
/// object goes: closing the child's input ends the session.
class PrivateSecretService {
 public:
  static constexpr char kUnlockPassword[] = "unlock-pw";

  PrivateSecretService() {
    const std::string home = dir_.path().string();
    const std::string runtime = dir_.File("run");
    ::mkdir(runtime.c_str(), 0700);
    const std::string script =
        "printf %s '" + std::string(kUnlockPassword) +
        "' | gnome-keyring-daemon --unlock --components=secrets >/dev/null || exit 1; "
        "echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat >/dev/null";
    process_ = std::make_unique<Subprocess>(
        std::vector<std::string>{
            "/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "HOME=" + home,
            "XDG_DATA_HOME=" + home + "/data", "XDG_CONFIG_HOME=" + home + "/config",
            "XDG_RUNTIME_DIR=" + runtime, "dbus-run-session", "--", "sh", "-c", script},
        /*input=*/true);
    if (!process_->ReadLine(address_, std::chrono::seconds(20)) || address_.empty())
      throw std::runtime_error(
          "the private Secret Service did not start (dbus-run-session, "
          "gnome-keyring-daemon: scripts/install-deps installs them)");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
  }
  PrivateSecretService(const PrivateSecretService&) = delete;
  PrivateSecretService& operator=(const PrivateSecretService&) = delete;
  ~PrivateSecretService() {
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    // The end of its input ends the session, which takes the bus and the keyring daemon along.
    process_->CloseInput();
    process_->WaitForExit(std::chrono::seconds(5));
  }

  /// The folder that holds the keyring's own files.
  const TempDir& home() const { return dir_; }

 private:
  TempDir dir_;
  std::unique_ptr<Subprocess> process_;
  std::string address_;
};

}  // namespace pelvane::testing
