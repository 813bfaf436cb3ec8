// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

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
    std::vector<std::string> argv{"/usr/bin/env",
                                  "-u",
                                  "DISPLAY",
                                  "-u",
                                  "WAYLAND_DISPLAY",
                                  "HOME=" + home,
                                  "XDG_DATA_HOME=" + home + "/data",
                                  "XDG_CONFIG_HOME=" + home + "/config",
                                  "XDG_RUNTIME_DIR=" + runtime,
                                  "dbus-run-session",
                                  "--",
                                  "sh",
                                  "-c",
                                  script};
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
      throw std::runtime_error("no pipe for the Secret Service");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    address_ = FirstLine(out[0]);
    ::close(out[0]);
    if (pid_ <= 0 || address_.empty())
      throw std::runtime_error(
          "the private Secret Service did not start (dbus-run-session, "
          "gnome-keyring-daemon: scripts/install-deps installs them)");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
  }
  PrivateSecretService(const PrivateSecretService&) = delete;
  PrivateSecretService& operator=(const PrivateSecretService&) = delete;
  ~PrivateSecretService() {
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (input_ >= 0) ::close(input_);
    if (pid_ <= 0) return;
    int status = 0;
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) return;
      ::usleep(50 * 1000);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
  }

  /// The folder that holds the keyring's own files.
  const TempDir& home() const { return dir_; }

 private:
  static std::string FirstLine(int fd) {
    std::string line;
    char c = 0;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 20000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

  TempDir dir_;
  pid_t pid_ = -1;
  int input_ = -1;
  std::string address_;
};

}  // namespace pelvane::testing
