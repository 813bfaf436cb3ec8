// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace pelvane::testing {

/// A child process for tests, found on PATH unless named with a path: its standard output comes
/// through a pipe, and it is ended (SIGTERM, then SIGKILL) and reaped when the object goes.
class Subprocess {
 public:
  struct Options {
    std::vector<std::string> env;  // extra "NAME=value" entries before this process's own
    bool input = false;            // standard input from Write, else this process's own
    bool mergeErrors = false;      // standard error into the output pipe
  };

  explicit Subprocess(const std::vector<std::string>& argv) : Subprocess(argv, Options{}) {}
  Subprocess(const std::vector<std::string>& argv, const Options& options) {
    int out[2], in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || (options.input && ::pipe2(in, O_CLOEXEC) != 0)) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (options.mergeErrors) posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    if (options.input) posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    std::vector<std::string> env(options.env);
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    if (::posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = out[0];
    if (options.input) {
      ::close(in[0]);
      in_ = in[1];
    }
  }
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;
  ~Subprocess() {
    CloseInput();
    Stop();
    if (out_ >= 0) ::close(out_);
  }

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  /// False when the child stopped reading; that costs no SIGPIPE.
  bool Write(const std::string& bytes) {
    sigset_t pipe, old;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipe, &old);
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(in_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    const timespec now{};
    ::sigtimedwait(&pipe, nullptr, &now);  // the one this write raised, if any
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return done >= bytes.size();
  }
  /// The child sees the end of its input.
  void CloseInput() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
  }

  /// The next line of the child's output, without its line end; false when the child closed
  /// its output or nothing came within the time limit.
  bool ReadLine(std::string& line, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      if (size_t nl = buffer_.find('\n'); nl != std::string::npos) {
        line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return true;
      }
      if (!Fill(deadline)) return false;
    }
  }

  /// The rest of the output, until the child closes it or the time limit passes.
  std::string ReadAll(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Fill(deadline)) {
    }
    return std::move(buffer_);
  }

  /// Whether the child ended within the time limit; it stays unreaped, for Stop to collect.
  bool WaitForExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      siginfo_t info{};
      ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
      if (info.si_pid != 0) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  /// Ends the child and returns its wait status (-1 if there was none).
  int Stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);  // a child that already ended is a zombie: the signal does nothing
    int status = 0;
    if (!WaitForExit(std::chrono::seconds(5))) ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

 private:
  /// Appends what the child wrote next; false at the end of its output or the deadline.
  bool Fill(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{out_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[4096];
    ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1, in_ = -1;
  std::string buffer_;
};

}  // namespace pelvane::testing
