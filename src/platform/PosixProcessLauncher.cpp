// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PosixProcessLauncher.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "settings/ErrnoText.h"

extern char** environ;

namespace pelvane::platform {

namespace {

using engine::ProcessOutcome;

/// Strings that outlive the spawn, and the null-terminated pointer table over them.
class CStringVector {
 public:
  void Add(std::string text) { texts_.push_back(std::move(text)); }
  char* const* Table() {
    pointers_.clear();
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
    return pointers_.data();
  }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};

/// The caller's environment with the additions; an addition replaces a variable of its name.
CStringVector ChildEnvironment(const std::vector<std::pair<std::string, std::string>>& additions) {
  CStringVector env;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    std::string variable(*entry);
    std::string name = variable.substr(0, variable.find('='));
    bool replaced = false;
    for (const auto& added : additions) replaced = replaced || added.first == name;
    if (!replaced) env.Add(std::move(variable));
  }
  for (const auto& added : additions) env.Add(added.first + "=" + added.second);
  return env;
}

ProcessOutcome Failure(ProcessOutcome::Kind kind, const std::string& what, int error) {
  ProcessOutcome outcome;
  outcome.kind = kind;
  outcome.message = what + ": " + settings::ErrnoText(error);
  return outcome;
}

/// Owns one file descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Reset(); }
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

/// In the child between vfork and exec, on the parent's memory with every signal blocked:
/// system calls only, nothing that writes the parent's data. Reports a failed exec through the
/// pipe as its errno.
[[noreturn]] void ExecChild(const char* program, char* const* argv, char* const* envp, pid_t parent,
                            int reportFd) {
  // Die with the parent; if it died already before this took hold, do not start at all.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);
  // No handler of the parent's may run here, where it would work on the parent's memory: each
  // goes back to the default before the mask is emptied (the exec would drop them anyway). The
  // tool gets the default SIGINT, SIGTERM and SIGPIPE, which pelvanectl takes or ignores itself.
  for (int signal = 1; signal < NSIG; ++signal) {
    struct sigaction action {};
    if (::sigaction(signal, nullptr, &action) != 0) continue;
    const bool reset = signal == SIGINT || signal == SIGTERM || signal == SIGPIPE;
    if (!reset && (action.sa_handler == SIG_DFL || action.sa_handler == SIG_IGN)) continue;
    action = {};
    action.sa_handler = SIG_DFL;
    ::sigaction(signal, &action, nullptr);
  }
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  int null = ::open("/dev/null", O_RDONLY);
  if (null < 0 || ::dup2(null, STDIN_FILENO) < 0) {
    int err = errno;
    [[maybe_unused]] ssize_t n = ::write(reportFd, &err, sizeof err);
    ::_exit(127);
  }
  if (null != STDIN_FILENO) ::close(null);
  ::execve(program, argv, envp);
  int err = errno;
  [[maybe_unused]] ssize_t n = ::write(reportFd, &err, sizeof err);
  ::_exit(127);
}

/// A descriptor that becomes readable when the child ends; -1 where the system has none.
int PidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

/// Waits up to `limit` for the child to end; true with its status when it did.
bool WaitFor(pid_t pid, int pidFd, std::chrono::milliseconds limit, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) {
      status = 0;
      return true;  // not our child any more; nothing to wait for
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (pidFd >= 0) {
      pollfd p{pidFd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(left.count()));
    } else {
      std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(5)));
    }
  }
}

/// Ends the child: SIGTERM, and SIGKILL when it has not gone within two seconds.
void EndChild(pid_t pid, int pidFd) {
  int status = 0;
  ::kill(pid, SIGTERM);
  if (WaitFor(pid, pidFd, std::chrono::seconds(2), status)) return;
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

ProcessOutcome PosixProcessLauncher::RunAndWait(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::string>>& environment,
    const engine::ProcessLimits& limits) {
  const auto interrupted = [this, &limits] {
    return (interrupted_ != nullptr && interrupted_->load()) ||
           (limits.stopNow != nullptr && limits.stopNow->load());
  };
  if (interrupted()) {
    ProcessOutcome outcome;
    outcome.kind = ProcessOutcome::Kind::kInterrupted;
    outcome.message = program + " was not started: the run was interrupted";
    return outcome;
  }
  // Everything the child needs is prepared before the vfork: after it, the child may only make
  // system calls.
  CStringVector argv;
  argv.Add(program);
  for (const std::string& argument : arguments) argv.Add(argument);
  CStringVector envp = ChildEnvironment(environment);
  char* const* argTable = argv.Table();
  char* const* envTable = envp.Table();

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0)
    return Failure(ProcessOutcome::Kind::kFailedToStart, program, errno);
  Fd reportRead(report[0]);
  Fd reportWrite(report[1]);
  const pid_t parent = ::getpid();
  // vfork, not fork: the child borrows this thread's memory until its exec, so nothing is
  // copied. A fork copied the page tables of the whole program and made its pages copy-on-write,
  // which cost every thread of a run with servers side by side page faults. Every signal stays
  // blocked across it, so that no handler runs in the child on the borrowed memory.
  sigset_t all, previous;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  const pid_t pid = ::vfork();
  if (pid == 0) ExecChild(program.c_str(), argTable, envTable, parent, report[1]);
  const int forkError = errno;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (pid < 0) return Failure(ProcessOutcome::Kind::kFailedToStart, program, forkError);

  reportWrite.Reset();
  int execError = 0;
  ssize_t got;
  do {
    got = ::read(reportRead.get(), &execError, sizeof execError);
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof execError)) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return Failure(execError == ENOENT ? ProcessOutcome::Kind::kNotFound
                                       : ProcessOutcome::Kind::kFailedToStart,
                   program, execError);
  }

  Fd pidFd(PidFd(pid));
  const bool limited = limits.timeoutSeconds > 0;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(limits.timeoutSeconds);
  int status = 0;
  for (;;) {
    // Short slices, so that an interruption is seen within a tenth of a second.
    auto slice = std::chrono::milliseconds(100);
    if (limited) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        EndChild(pid, pidFd.get());
        ProcessOutcome outcome;
        outcome.kind = ProcessOutcome::Kind::kTimedOut;
        outcome.message = program + " ran past its time limit of " +
                          std::to_string(limits.timeoutSeconds) + " seconds and was ended";
        return outcome;
      }
      slice = std::min(slice, left);
    }
    if (interrupted()) {
      EndChild(pid, pidFd.get());
      ProcessOutcome outcome;
      outcome.kind = ProcessOutcome::Kind::kInterrupted;
      outcome.message = program + " was ended: the run was interrupted";
      return outcome;
    }
    if (WaitFor(pid, pidFd.get(), slice, status)) break;
  }
  ProcessOutcome outcome;
  if (WIFEXITED(status)) {
    outcome.kind = ProcessOutcome::Kind::kExited;
    outcome.exitCode = WEXITSTATUS(status);
  } else {
    outcome.kind = ProcessOutcome::Kind::kKilled;
    outcome.message = program + " ended by signal " + std::to_string(WTERMSIG(status));
  }
  return outcome;
}

}  // namespace pelvane::platform
