// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcDriverChoice.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace pelvane::platform {

namespace {

constexpr const char* kFreeTdsLibrary = "libtdsodbc.so";

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

OdbcDriverChoice ChooseOdbcDriver(const std::vector<std::string>& registered,
                                  const std::string& name,
                                  const std::vector<std::string>& fallbackLibraries) {
  if (std::find(registered.begin(), registered.end(), name) != registered.end()) return {name, ""};
  for (const std::string& library : fallbackLibraries) {
    if (IsFile(library)) {
      return {library, "The ODBC driver \"" + name + "\" is not registered; FreeTDS's driver " +
                           library + " was used instead."};
    }
  }
  return {"", "No ODBC driver for SQL Server is installed: the driver \"" + name +
                  "\" is not registered and FreeTDS's driver library (" + kFreeTdsLibrary +
                  ") was not found."};
}

std::vector<std::string> FreeTdsDriverLibraries() {
  std::vector<std::string> libraries{"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"};
  // Debian puts drivers under the multiarch folder of the machine; other systems use lib64.
  std::error_code error;
  for (std::filesystem::directory_iterator it("/usr/lib", error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().filename().string().find("-linux-") == std::string::npos) continue;
    std::string candidate = (it->path() / "odbc" / kFreeTdsLibrary).string();
    if (candidate != libraries.front()) libraries.push_back(candidate);
  }
  for (const char* folder : {"/usr/lib/odbc", "/usr/lib64", "/usr/lib", "/usr/local/lib"})
    libraries.push_back(std::string(folder) + "/" + kFreeTdsLibrary);
  return libraries;
}

}  // namespace pelvane::platform
