// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "engine/ports/ProcessLauncher.h"

namespace pelvane::platform {

/// Starts programs with an argument vector, so that no shell ever reads a server name, login
/// or path. The child reads standard input from /dev/null and shares the caller's standard
/// output and error. A program that does not exist is kNotFound.
///
/// The child never outlives us: it is killed when the thread that started it ends (Linux's
/// parent-death signal), so a killed pelvanectl or desktop program leaves no query tool
/// running with a password in its environment. A child that runs past its time limit, or is
/// still running when `interrupted` becomes true, is ended (SIGTERM, then SIGKILL).
class PosixProcessLauncher : public engine::ProcessLauncher {
 public:
  explicit PosixProcessLauncher(const std::atomic<bool>* interrupted = nullptr)
      : interrupted_(interrupted) {}

  engine::ProcessOutcome RunAndWait(
      const std::string& program, const std::vector<std::string>& arguments,
      const std::vector<std::pair<std::string, std::string>>& environment,
      const engine::ProcessLimits& limits) override;

 private:
  const std::atomic<bool>* interrupted_;
};

}  // namespace pelvane::platform
