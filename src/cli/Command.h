// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/Cli.h"
#include "settings/SettingsStore.h"

namespace pelvane::cli {

enum ExitCode : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

/// What every command works with.
struct CliContext {
  const CliEnvironment& environment;
  settings::SettingsStore& store;
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

/// One command of pelvanectl: its words ("servers add"), its help text and its options.
struct Command {
  std::string name;
  std::string summary;  // one line for the command list
  std::string usage;    // the full --help text
  OptionSpec options;
  int (*run)(CliContext& context, const Args& args);
};

/// Prints "pelvanectl: " and the message to standard error and gives kExitUsage.
int Refuse(CliContext& context, const std::string& message);
/// Prints "pelvanectl: " and the message to standard error and gives kExitFailure.
int Fail(CliContext& context, const std::string& message);

/// Refuse for input that was refused as it stands, Fail for anything else.
int Report(CliContext& context, const Status& status);

std::vector<Command> SettingsCommands();
std::vector<Command> ServerCommands();
std::vector<Command> LoginCommands();
std::vector<Command> LogCommands();
std::vector<Command> RunCommands();
std::vector<Command> CheckCommands();

}  // namespace pelvane::cli
