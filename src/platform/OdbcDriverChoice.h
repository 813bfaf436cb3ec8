// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace pelvane::platform {

/// The driver that a connection string names, and why when it is not the registered name.
struct OdbcDriverChoice {
  std::string driver;  // a registered driver name or a driver library's path; empty: none found
  std::string note;    // for the messages of every error that follows; empty for the plain name
};

/// Picks `name` when the driver manager lists it, else the first of `fallbackLibraries` that
/// exists as a file.
OdbcDriverChoice ChooseOdbcDriver(const std::vector<std::string>& registered,
                                  const std::string& name,
                                  const std::vector<std::string>& fallbackLibraries);

/// Where FreeTDS's ODBC driver library is installed on this kind of system, likeliest first.
std::vector<std::string> FreeTdsDriverLibraries();

}  // namespace pelvane::platform
