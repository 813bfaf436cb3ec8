#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pelvane::engine {

/// How a started program ended.
struct ProcessOutcome {
  enum class Kind { kExited, kNotFound, kFailedToStart, kKilled } kind = Kind::kFailedToStart;
  int exitCode = 0;     // kExited
  std::string message;  // what went wrong otherwise
};

/// Starts a program with an argument vector (never through a shell) and waits for its end.
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  /// `environment` holds variables added to the caller's environment ("NAME", "value").
  virtual ProcessOutcome RunAndWait(
      const std::string& program, const std::vector<std::string>& arguments,
      const std::vector<std::pair<std::string, std::string>>& environment) = 0;
};

}  // namespace pelvane::engine
