// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace pelvane::querytool {

/// Exit statuses of the tool.
constexpr int kExitSuccess = 0;
constexpr int kExitServerError = 1;  ///< a batch raised a server error (severity above 10)
constexpr int kExitFailure = 2;      ///< bad usage, unreadable script, no connection
constexpr int kExitTimedOut = 3;     ///< a batch ran past the query time-out (-t)
/// A batch had no answer and the server did not answer a check on a second connection either.
constexpr int kExitServerStalled = 4;

/// The whole tool: reads the command line, runs the script batch by batch, writes the output
/// file. environmentPassword is SQLCMDPASSWORD when set. Returns the exit status.
int RunQueryTool(const std::vector<std::string>& args,
                 const std::optional<std::string>& environmentPassword, std::ostream& out,
                 std::ostream& err);

}  // namespace pelvane::querytool
