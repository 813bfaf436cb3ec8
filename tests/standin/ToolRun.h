// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace pelvane::testing {

struct ToolOutcome {
  int exitCode = -1;   // -1 when it had to be killed
  std::string output;  // standard output and standard error together
};

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

/// Runs a client program found on PATH with `input` as its standard input and extra
/// environment entries ("NAME=value"); a run longer than `limit` is killed.
inline ToolOutcome RunTool(const std::vector<std::string>& argv, const std::string& input,
                           const std::vector<std::string>& env = {},
                           std::chrono::seconds limit = std::chrono::seconds(30)) {
  TempDir dir;
  WriteBytes(dir.File("input"), input);
  std::vector<std::string> args{"/bin/sh", "-c", "exec env \"$@\" <\"$0\" 2>&1", dir.File("input")};
  args.insert(args.end(), env.begin(), env.end());
  args.insert(args.end(), argv.begin(), argv.end());
  Subprocess tool(args);
  ToolOutcome outcome;
  outcome.output = tool.ReadAll(limit);
  const bool ended = tool.WaitForExit(std::chrono::seconds(1));
  const int status = tool.Stop();
  if (ended && WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}

}  // namespace pelvane::testing
