// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ports/SqlClient.h"

namespace pelvane::cli {

/// What pelvanectl takes from its surroundings; tests give their own.
struct CliEnvironment {
  std::string defaultSettingsFile;
  /// The SQL Server client used to test logins and to run; a call under way is given up once
  /// `interrupted` (when given) is set.
  std::function<std::unique_ptr<engine::SqlClient>(const std::atomic<bool>* interrupted)>
      makeSqlClient;
  /// Reads an answer typed on the terminal; empty, or giving nullopt, without a terminal.
  std::function<std::optional<std::string>(const std::string& prompt)> readLine;
};

/// Runs pelvanectl with its arguments (without the program name) and gives the exit status:
/// 0 success, 1 a failure of the system (a file that cannot be written), 2 bad usage or
/// refused input, with a one-line message on err.
int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment,
           std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace pelvane::cli
