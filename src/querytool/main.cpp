// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/prctl.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "querytool/QueryTool.h"
#include "settings/TopLevel.h"

int main(int argc, char** argv) {
  // The tool holds a password: no core file and no debugger attach by other processes.
  ::prctl(PR_SET_DUMPABLE, 0);
  return pelvane::RunGuarded("isqlw", std::cerr, [&] {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<std::string> environmentPassword;
    if (const char* password = std::getenv("SQLCMDPASSWORD")) environmentPassword = password;
    return pelvane::querytool::RunQueryTool(args, environmentPassword, std::cout, std::cerr);
  });
}
