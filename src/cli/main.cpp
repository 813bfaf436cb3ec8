// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/TerminalQuestion.h"
#include "platform/OdbcSqlClient.h"
#include "platform/ProgramLocation.h"
#include "settings/TopLevel.h"

int main(int argc, char** argv) {
  return pelvane::RunGuarded("pelvanectl", std::cerr, [&] {
    pelvane::cli::CliEnvironment environment;
    environment.defaultSettingsFile = pelvane::platform::DefaultSettingsFile();
    environment.makeSqlClient = [](const std::atomic<bool>* interrupted) {
      pelvane::platform::OdbcSqlClient::Options options;
      options.interrupted = interrupted;
      return std::make_unique<pelvane::platform::OdbcSqlClient>(options);
    };
    environment.readLine = pelvane::cli::ReadTerminalLine;
    std::vector<std::string> args(argv + 1, argv + argc);
    return pelvane::cli::RunCli(args, environment, std::cin, std::cout, std::cerr);
  });
}
