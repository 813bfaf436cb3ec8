// SPDX-License-Identifier: GPL-3.0-or-later
#include <ostream>

#include "cli/Command.h"
#include "cli/TerminalQuestion.h"
#include "engine/DateTimeFormat.h"
#include "engine/MessageLog.h"
#include "engine/ProgramState.h"

namespace pelvane::cli {

namespace {

int RunLog(CliContext& context, const Args& args) {
  if (args.positional().empty()) return Refuse(context, "usage: log [--no-timestamp] TEXT...");
  std::string text;
  for (const std::string& word : args.positional()) text += (text.empty() ? "" : " ") + word;
  if (text.find_first_of("\r\n") != std::string::npos)
    return Refuse(context, "the text of one log line cannot hold a line break");

  engine::ProgramState state = engine::LoadProgramState(context.store, engine::WindowPlacement{});
  engine::TextLogWindow window(
      [&context](const std::string& shown) { context.out << ForTerminal(shown); });
  engine::MessageLog log(window, state.TempErrorFile, state.FixedLogFile);
  std::string line =
      args.Has("no-timestamp") ? text : engine::Timestamp(state.DateTimeFormat) + " " + text;
  if (Status s = log.LogMessage(line, true); !s) return Fail(context, s.message());
  if (Status s = log.SaveLogToFile(state.LogFile); !s) return Fail(context, s.message());
  return kExitOk;
}

}  // namespace

std::vector<Command> LogCommands() {
  return {
      {"log",
       "append a time-stamped line to the run log file",
       "usage: pelvanectl log [--no-timestamp] TEXT...\n\n"
       "Writes one line, the timestamp (\"Pelvane\"/\"DateTimeFormat\") and TEXT, to standard\n"
       "output and appends it to the log file that runs append their logs to (\"Errors\"/\n"
       "\"LogFile\", or Pelvane.log beside the settings file), so that scripted steps show in\n"
       "the same history as runs.\n",
       {{}, {"no-timestamp"}},
       RunLog},
  };
}

}  // namespace pelvane::cli
