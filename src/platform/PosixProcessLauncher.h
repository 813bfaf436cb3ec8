#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/ports/ProcessLauncher.h"

namespace pelvane::platform {

/// Starts programs with posix_spawn and an argument vector, so that no shell ever reads a
/// server name, login or path. The child reads standard input from /dev/null and shares the
/// caller's standard output and error. A program that does not exist is kNotFound.
class PosixProcessLauncher : public engine::ProcessLauncher {
 public:
  engine::ProcessOutcome RunAndWait(
      const std::string& program, const std::vector<std::string>& arguments,
      const std::vector<std::pair<std::string, std::string>>& environment) override;
};

}  // namespace pelvane::platform
