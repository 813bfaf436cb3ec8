#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pelvane::cli {

/// Runs pelvanectl with its arguments (without the program name) and gives the exit status:
/// 0 success, 1 a failure of the system (a file that cannot be written), 2 bad usage or
/// refused input, with a one-line message on err.
int RunCli(const std::vector<std::string>& args, const std::string& defaultSettingsFile,
           std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace pelvane::cli
