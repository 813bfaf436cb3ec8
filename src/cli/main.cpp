#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/ProgramLocation.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return pelvane::cli::RunCli(args, pelvane::platform::DefaultSettingsFile(), std::cin, std::cout,
                              std::cerr);
}
