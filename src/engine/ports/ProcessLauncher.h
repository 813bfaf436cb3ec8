// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace pelvane::engine {

/// How a started program ended.
struct ProcessOutcome {
  enum class Kind {
    kExited,
    kNotFound,
    kFailedToStart,
    kKilled,
    kTimedOut,     // ran past its time limit and was ended
    kInterrupted,  // the caller was told to stop (a signal to pelvanectl) and ended it
  } kind = Kind::kFailedToStart;
  int exitCode = 0;     // kExited
  std::string message;  // what went wrong otherwise
};

/// Limits on one started program.
struct ProcessLimits {
  int timeoutSeconds = 0;  // 0: no limit
  /// When set and true, the program is ended (or not started) and the outcome is kInterrupted.
  const std::atomic<bool>* stopNow = nullptr;
};

/// Starts a program with an argument vector (never through a shell) and waits for its end.
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  /// `environment` holds variables added to the caller's environment ("NAME", "value").
  virtual ProcessOutcome RunAndWait(
      const std::string& program, const std::vector<std::string>& arguments,
      const std::vector<std::pair<std::string, std::string>>& environment,
      const ProcessLimits& limits) = 0;
};

}  // namespace pelvane::engine
