// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Cli.h"

#include <algorithm>
#include <ostream>

#include "cli/Command.h"

namespace pelvane::cli {

namespace {

constexpr char kProgram[] = "pelvanectl";

std::vector<Command> AllCommands() {
  std::vector<Command> all;
  for (auto group :
       {SettingsCommands, ServerCommands, LoginCommands, LogCommands, RunCommands, CheckCommands}) {
    std::vector<Command> commands = group();
    all.insert(all.end(), commands.begin(), commands.end());
  }
  return all;
}

void PrintUsage(std::ostream& out, const std::string& defaultSettingsFile) {
  out << "usage: " << kProgram << " [--settings FILE] COMMAND [ARGS...]\n\n"
      << "Runs scripts on servers and keeps the server registry and settings of The Pelvane\n"
      << "Tool, from scripts.\n\n"
      << "Commands:\n";
  for (const Command& command : AllCommands()) {
    std::string padded = command.name;
    padded.resize(std::max<size_t>(padded.size() + 2, 18), ' ');
    out << "  " << padded << command.summary << '\n';
  }
  out << "\nOptions:\n"
      << "  --settings FILE   the settings file to use (default: " << defaultSettingsFile << ")\n"
      << "  --help            show this text; COMMAND --help shows a command's own\n\n"
      << "Exit status: 0 success, 1 the system failed (for example a file could not be\n"
      << "written), 2 bad usage or refused input. run has its own (run --help).\n";
}

}  // namespace

int Refuse(CliContext& context, const std::string& message) {
  context.err << kProgram << ": " << message << '\n';
  return kExitUsage;
}

int Fail(CliContext& context, const std::string& message) {
  context.err << kProgram << ": " << message << '\n';
  return kExitFailure;
}

int Report(CliContext& context, const Status& status) {
  return status.number() == kInvalidArgument ? Refuse(context, status.message())
                                             : Fail(context, status.message());
}

int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment,
           std::istream& in, std::ostream& out, std::ostream& err) {
  const std::string& defaultSettingsFile = environment.defaultSettingsFile;
  std::string settingsFile = defaultSettingsFile;
  size_t next = 0;
  while (next < args.size() && args[next].compare(0, 2, "--") == 0) {
    const std::string& option = args[next];
    if (option == "--help") {
      PrintUsage(out, defaultSettingsFile);
      return kExitOk;
    }
    if (option == "--settings" && next + 1 == args.size()) {
      err << kProgram << ": --settings needs a file name\n";
      return kExitUsage;
    }
    if (option == "--settings" && next + 1 < args.size()) {
      settingsFile = args[next + 1];
      next += 2;
    } else if (option.compare(0, 11, "--settings=") == 0) {
      settingsFile = option.substr(11);
      next += 1;
    } else {
      err << kProgram << ": unknown option " << option << " (see " << kProgram << " --help)\n";
      return kExitUsage;
    }
  }
  if (next == args.size()) {
    err << kProgram << ": missing command (see " << kProgram << " --help)\n";
    return kExitUsage;
  }
  if (settingsFile.empty()) {
    err << kProgram << ": --settings needs a file name\n";
    return kExitUsage;
  }

  // The longest command name that the arguments start with: "servers add" before "servers".
  const std::vector<Command> commands = AllCommands();
  const Command* chosen = nullptr;
  size_t words = 0;
  for (const Command& command : commands) {
    std::vector<std::string> parts;
    for (size_t start = 0, space; start <= command.name.size(); start = space + 1) {
      space = command.name.find(' ', start);
      if (space == std::string::npos) space = command.name.size();
      parts.push_back(command.name.substr(start, space - start));
    }
    if (args.size() - next >= parts.size() &&
        std::equal(parts.begin(), parts.end(), args.begin() + static_cast<std::ptrdiff_t>(next)) &&
        parts.size() > words) {
      chosen = &command;
      words = parts.size();
    }
  }
  if (chosen == nullptr) {
    // "servers" alone, or "servers --help": the commands that start with that word.
    std::vector<const Command*> family;
    for (const Command& command : commands) {
      if (command.name.compare(0, args[next].size() + 1, args[next] + " ") == 0)
        family.push_back(&command);
    }
    bool help = next + 1 < args.size() && args[next + 1] == "--help";
    if (!family.empty() && help) {
      out << "usage:\n";
      for (const Command* command : family)
        out << "  " << kProgram << " " << command->name << "  " << command->summary << '\n';
      return kExitOk;
    }
    if (family.empty()) {
      err << kProgram << ": unknown command " << args[next] << " (see " << kProgram << " --help)\n";
    } else {
      err << kProgram << ": " << args[next] << " needs one of:";
      for (const Command* command : family)
        err << ' ' << command->name.substr(args[next].size() + 1);
      err << " (see " << kProgram << " " << args[next] << " --help)\n";
    }
    return kExitUsage;
  }

  std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(next + words),
                                args.end());
  if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
    out << chosen->usage;
    return kExitOk;
  }
  Result<Args> parsed = Args::Parse(rest, chosen->options);
  if (!parsed) {
    err << kProgram << " " << chosen->name << ": " << parsed.status().message() << '\n';
    return kExitUsage;
  }
  settings::SettingsStore store(settingsFile);
  // A settings path that is a folder, a pipe or unreadable would list nothing and look fine.
  if (Status readable = store.CheckReadable(); !readable) {
    err << kProgram << ": " << readable.message() << '\n';
    return kExitFailure;
  }
  CliContext context{environment, store, in, out, err};
  return chosen->run(context, *parsed);
}

}  // namespace pelvane::cli
