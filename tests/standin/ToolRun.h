// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

namespace pelvane::testing {

struct ToolOutcome {
  int exitCode = -1;   // -1 when it did not start or had to be killed
  std::string output;  // standard output and standard error together
};

/// Runs a client program found on PATH with `input` as its standard input and extra
/// environment entries ("NAME=value"); a run longer than `limit` is killed.
inline ToolOutcome RunTool(const std::vector<std::string>& argv, const std::string& input,
                           const std::vector<std::string>& extraEnv = {},
                           std::chrono::seconds limit = std::chrono::seconds(30)) {
  TempDir dir;
  WriteBytes(dir.File("in"), input);
  const std::string outPath = dir.File("out");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, dir.File("in").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<std::string> env(extraEnv);
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = -1;
  int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ToolOutcome outcome;
  if (spawned != 0) return outcome;
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      outcome.output = ReadBytes(outPath);
      return outcome;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.output = ReadBytes(outPath);
  return outcome;
}

}  // namespace pelvane::testing
