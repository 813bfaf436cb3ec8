// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/BoundedCommand.h"
#include "support/PrivateNetwork.h"
#include "support/StandinServer.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

#ifndef PELVANE_SAMBA_FIXTURE
#error "PELVANE_SAMBA_FIXTURE must name tests/support/samba-fixture.sh"
#endif

namespace pelvane::testing {

/// smbd and samba-dcerpcd for one test program, with a share, an administrator (kUser), a user
/// who is not one (kGuestUser) and the built-in Spooler service. As root it first moves this
/// process into a private network namespace, so Samba listens on 127.0.0.1:445 where nothing
/// else can see it, and everything this program starts afterwards shares it. Without a
/// namespace it listens on a free loopback port.
class SambaServer {
 public:
  static constexpr char kUser[] = "pelvtest";
  static constexpr char kGuestUser[] = "pelvguest";
  static constexpr char kPassword[] = "Secr3t!pw";
  static constexpr char kService[] = "Spooler";

  SambaServer() {
    if (::geteuid() != 0) throw std::runtime_error("the Samba fixture needs root");
    std::string why;
    privateNetwork_ = EnterPrivateNetwork(why);
    port_ = privateNetwork_ ? 445 : FreeLoopbackPort();
    std::filesystem::permissions(dir_.path(), std::filesystem::perms(0755));
    base_ = dir_.path().string();
    if (!Script({"setup", base_, std::to_string(port_)}, std::chrono::seconds(60)))
      throw std::runtime_error(std::string("samba-fixture.sh setup failed") +
                               (why.empty() ? "" : "; " + why));
    smbd_ = std::make_unique<Subprocess>(Daemon("smbd", {"/usr/sbin/smbd"}));
    dcerpcd_ = std::make_unique<Subprocess>(
        Daemon("samba-dcerpcd", {"/usr/libexec/samba/samba-dcerpcd", "--libexec-rpcds"}));
    if (!Script({"ready", base_, std::to_string(port_)}, std::chrono::seconds(30)))
      throw std::runtime_error("Samba did not become ready; see " + base_ + "/log");
  }
  ~SambaServer() {
    // Both run as leaders of their own process groups: end their workers too.
    for (Subprocess* daemon : {dcerpcd_.get(), smbd_.get()})
      if (daemon != nullptr && daemon->started() && ::getpgid(daemon->pid()) == daemon->pid())
        ::kill(-daemon->pid(), SIGTERM);
    dcerpcd_.reset();
    smbd_.reset();
  }
  SambaServer(const SambaServer&) = delete;
  SambaServer& operator=(const SambaServer&) = delete;

  /// The machine as the network steps name it ("127.0.0.1", or with ":port").
  std::string Machine() const {
    return privateNetwork_ ? "127.0.0.1" : "127.0.0.1:" + std::to_string(port_);
  }
  /// A network path below the share, as the configuration dialogs store it.
  std::string NetworkPath(const std::string& below) const {
    if (privateNetwork_) return "\\\\127.0.0.1\\share\\" + below;
    return "smb://" + Machine() + "/share/" + below;
  }
  /// The same place on this machine's disk.
  std::filesystem::path LocalPath(const std::string& below) const {
    return dir_.path() / "share" / below;
  }
  /// Failed logons Samba's authentication audit has logged so far.
  int LogonFailures() const {
    std::ifstream log(dir_.path() / "log" / "samba.log");
    int failures = 0;
    for (std::string line; std::getline(log, line);)
      failures += line.find("Auth:") != std::string::npos &&
                  line.find("status [NT_STATUS_") != std::string::npos &&
                  line.find("status [NT_STATUS_OK]") == std::string::npos;
    return failures;
  }

  /// The one server of this test program, started on first use.
  static SambaServer& Shared() {
    static SambaServer server;
    return server;
  }

 private:
  bool Script(const std::vector<std::string>& arguments, std::chrono::milliseconds limit) const {
    const platform::CommandResult result =
        platform::RunBounded(PELVANE_SAMBA_FIXTURE, arguments, std::nullopt, limit);
    if (result.exitCode != 0) std::fprintf(stderr, "%s", result.output.c_str());
    return result.exitCode == 0;
  }

  /// A daemon in the foreground, as our own child, logging under the base folder. It ends with
  /// this process even when that dies without stopping it.
  std::vector<std::string> Daemon(const std::string& name, std::vector<std::string> argv) const {
    argv.insert(
        argv.begin(),
        {"/bin/sh", "-c", "exec /usr/bin/setpriv --pdeathsig TERM \"$@\" </dev/null >>\"$0\" 2>&1",
         base_ + "/log/" + name + ".out"});
    argv.insert(argv.end(), {"-F", "-s", base_ + "/smb.conf"});
    return argv;
  }

  TempDir dir_;
  std::string base_;
  bool privateNetwork_ = false;
  int port_ = 0;
  std::unique_ptr<Subprocess> smbd_;
  std::unique_ptr<Subprocess> dcerpcd_;
};

/// Watches the argument lists of every process while it lives, for a text that must never
/// appear in one, and counts the `net` processes it saw (so that a clean result means
/// something).
class CommandLineWatch {
 public:
  explicit CommandLineWatch(std::string secret)
      : secret_(std::move(secret)), thread_([this] { Watch(); }) {}
  ~CommandLineWatch() { Finish(); }
  CommandLineWatch(const CommandLineWatch&) = delete;
  CommandLineWatch& operator=(const CommandLineWatch&) = delete;

  /// Stops watching: how many argument lists held the secret, and how many `net` processes ran.
  std::pair<int, size_t> Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return {leaks_, netPids_.size()};
  }

 private:
  void Watch() {
    while (!stop_) {
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string cmdline = ReadBytes((entry.path() / "cmdline").string());
        if (cmdline.find(secret_) != std::string::npos) ++leaks_;
        if (std::filesystem::path(cmdline.substr(0, cmdline.find('\0'))).filename() == "net")
          netPids_.insert(name);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  std::string secret_;
  std::atomic<bool> stop_{false};
  int leaks_ = 0;
  std::set<std::string> netPids_;  // like leaks_, the watching thread's until Finish
  std::thread thread_;
};

}  // namespace pelvane::testing
