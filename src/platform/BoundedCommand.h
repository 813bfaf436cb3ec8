// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pelvane::platform {

/// A secret handed to a child through an inherited pipe, never through its arguments or its
/// environment: the child finds the descriptor's number in the variable `variable`.
struct PipedSecret {
  std::string variable;
  std::string secret;
};

struct CommandResult {
  bool started = false;
  bool timedOut = false;
  int exitCode = -1;   // when it exited by itself
  std::string output;  // standard output and error together
};

/// Runs a program (looked up in PATH) with an argument vector and no shell, reading standard
/// input from /dev/null, and kills it with everything it started when the time-out passes.
CommandResult RunBounded(const std::string& program, const std::vector<std::string>& arguments,
                         const std::optional<PipedSecret>& secret,
                         std::chrono::milliseconds timeout);

}  // namespace pelvane::platform
