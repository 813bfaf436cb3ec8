// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BoundedCommand.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pelvane::platform {

namespace {

using Clock = std::chrono::steady_clock;

/// The descriptor number the child reads its secret from.
constexpr int kSecretFd = 3;

/// Both ends of a pipe, closed with the object.
class Pipe {
 public:
  Pipe() { ok_ = ::pipe2(fds_, O_CLOEXEC) == 0; }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool ok() const { return ok_; }
  int read() const { return fds_[0]; }
  int write() const { return fds_[1]; }
  void CloseRead() { Close(fds_[0]); }
  void CloseWrite() { Close(fds_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  int fds_[2] = {-1, -1};
  bool ok_ = false;
};

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
  posix_spawn_file_actions_t* actions() { return &actions_; }
  posix_spawnattr_t* attributes() { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_{};
  posix_spawnattr_t attributes_{};
};

/// The caller's environment without any password variable Samba's tools would read, plus
/// the named descriptor variable.
std::vector<std::string> ChildEnvironment(const std::optional<PipedSecret>& secret) {
  std::vector<std::string> env;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string variable(*entry);
    const std::string name = variable.substr(0, variable.find('='));
    if (name == "PASSWD" || name == "PASSWD_FD" || name == "PASSWD_FILE") continue;
    if (secret && name == secret->variable) continue;
    env.push_back(variable);
  }
  if (secret) env.push_back(secret->variable + "=" + std::to_string(kSecretFd));
  return env;
}

std::vector<char*> Table(std::vector<std::string>& texts) {
  std::vector<char*> table;
  for (std::string& text : texts) table.push_back(text.data());
  table.push_back(nullptr);
  return table;
}

int WaitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

}  // namespace

CommandResult RunBounded(const std::string& program, const std::vector<std::string>& arguments,
                         const std::optional<PipedSecret>& secret,
                         std::chrono::milliseconds timeout) {
  CommandResult result;
  Pipe output;
  Pipe secretPipe;
  if (!output.ok() || !secretPipe.ok()) return result;
  if (secret) {
    // A pipe holds far more than a password, so this does not block.
    const ssize_t written =
        ::write(secretPipe.write(), secret->secret.data(), secret->secret.size());
    if (written != static_cast<ssize_t>(secret->secret.size())) return result;
  }
  secretPipe.CloseWrite();

  SpawnSetup setup;
  posix_spawn_file_actions_addopen(setup.actions(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(setup.actions(), output.write(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(setup.actions(), output.write(), STDERR_FILENO);
  if (secret) posix_spawn_file_actions_adddup2(setup.actions(), secretPipe.read(), kSecretFd);
  // Its own process group, so that a time-out ends whatever it started as well.
  posix_spawnattr_setflags(setup.attributes(), POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(setup.attributes(), 0);

  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env = ChildEnvironment(secret);
  pid_t pid = -1;
  if (posix_spawnp(&pid, program.c_str(), setup.actions(), setup.attributes(), Table(argv).data(),
                   Table(env).data()) != 0) {
    return result;
  }
  result.started = true;
  output.CloseWrite();
  secretPipe.CloseRead();

  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      result.timedOut = true;
      break;
    }
    pollfd entry{output.read(), POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char chunk[4096];
    const ssize_t got = ::read(output.read(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    result.output.append(chunk, static_cast<size_t>(got));
  }
  if (result.timedOut) ::kill(-pid, SIGKILL);
  const int status = WaitForExit(pid);
  if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace pelvane::platform
