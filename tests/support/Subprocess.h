// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <poll.h>
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
/// through a pipe, and it is ended (SIGTERM, then SIGKILL) and reaped when the object goes. With
/// `input`, its standard input is a pipe that stays open until CloseInput; else this process's.
class Subprocess {
 public:
  explicit Subprocess(const std::vector<std::string>& argv, bool input = false) {
    int out[2], in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || (input && ::pipe2(in, O_CLOEXEC) != 0)) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (input) posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (::posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = out[0];
    if (input) ::close(in[0]);
    in_ = in[1];
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
  /// The child sees the end of its input.
  void CloseInput() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
  }

  /// The next line of the child's output, without its line end; false when the child closed
  /// its output or nothing came within the time limit.
  bool ReadLine(std::string& line, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    size_t nl;
    while ((nl = buffer_.find('\n')) == std::string::npos)
      if (!Fill(deadline)) return false;
    line = buffer_.substr(0, nl);
    buffer_.erase(0, nl + 1);
    return true;
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
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{out_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[4096];
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n > 0) buffer_.append(chunk, static_cast<size_t>(n));
    return n > 0;
  }

  pid_t pid_ = -1;
  int out_ = -1, in_ = -1;
  std::string buffer_;
};

}  // namespace pelvane::testing
