// SPDX-License-Identifier: GPL-3.0-or-later
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliRunHost.h"
#include "cli/Command.h"
#include "cli/InterruptWatch.h"
#include "cli/RunEndLog.h"
#include "engine/MessageLog.h"
#include "engine/ProgramState.h"
#include "engine/ReportFile.h"
#include "engine/RunFiles.h"
#include "engine/RunSession.h"
#include "engine/ScriptStep.h"
#include "engine/SplitList.h"
#include "engine/StoredRunInputs.h"
#include "engine/VeskRun.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/PosixProcessLauncher.h"
#include "platform/ProgramLocation.h"
#include "platform/SecretServiceKeyring.h"
#include "platform/SmbNetworkShares.h"
#include "platform/SmbRemoteClock.h"
#include "platform/SystemSleeper.h"
#include "settings/FileIo.h"
#include "settings/ProfileText.h"
#include "settings/ServerRegistry.h"

namespace pelvane::cli {

namespace {

constexpr char kUsage[] =
    "usage: pelvanectl [--settings FILE] run [--server NAME ...] [--group G] [--script PATH ...]\n"
    "         [--copy PATH ...] [--overwrite] [--append] [--append-text TEXT] [--add-timestamp]\n"
    "         [--restart-service] [--simple-script TEXT] [--start-index N]\n"
    "         [--script-timeout S] [--answer yes|no|cancel] [--no-copy] [--no-overwrite] "
    "[--no-append]\n"
    "         [--no-add-timestamp] [--no-restart-service] [--no-simple-script]\n"
    "         [--report FILE] [--failed-from REPORT] [--csv FILE] [--parallel N]\n\n"
    "Runs a vesk run as the Vesk SQL dialog does, without a window. Every input that is not\n"
    "given is taken from what the dialog last stored in the settings file: the script and\n"
    "copy lists, the four check boxes, the Append Text window's text and box, and the Simple\n"
    "Script text and mode. The Process Servers list is never stored: name the servers.\n\n"
    "  --server NAME        a listed server to process (repeatable)\n"
    "  --group G            every server of group G (\"ALL\": every listed server); with\n"
    "                       --server, the servers of both. The servers are processed in\n"
    "                       alphabetical order, as the Process Servers list shows them\n"
    "  --script PATH        a script file to run on every server (repeatable, in order; at\n"
    "                       most 100; a path cannot hold \"|\" or a line break)\n"
    "  --script-timeout S   end a script that runs longer than S seconds (0: no limit); it\n"
    "                       is UNSUCCESSFUL. Default: \"Pelvane\"/\"ScriptTimeout\", else 3600\n"
    "                       (one hour; 0 stored is no limit)\n"
    "  --copy PATH          a file to copy to every server's CopyPath (repeatable); turns on\n"
    "                       \"Copy File To Server?\"\n"
    "  --overwrite          \"Overwrite Existing File?\": a copy may replace a file\n"
    "  --append             \"Append Text?\": append the Append Text window's text to every\n"
    "                       server's AppendToFile\n"
    "  --append-text TEXT   the Append Text window's text (turns nothing on by itself)\n"
    "  --add-timestamp      \"Add TimeStamp Automatically?\" of the Append Text window\n"
    "  --restart-service    \"Automatically Stop/Start Service?\": restart every server's\n"
    "                       configured service\n"
    "  --simple-script TEXT Simple Script mode with this query: its result table is logged\n"
    "                       for every server, and no script, copy, append or service step runs\n"
    "  --start-index N      start at the N-th server of the list (1 up to the number of\n"
    "                       servers; default 1), as \"Continue ...\" does after a break\n"
    "  --no-copy            clear \"Copy File To Server?\", whatever the dialog stored\n"
    "  --no-overwrite       clear \"Overwrite Existing File?\"\n"
    "  --no-append          clear \"Append Text?\"\n"
    "  --no-add-timestamp   clear \"Add TimeStamp Automatically?\"\n"
    "  --no-restart-service clear \"Automatically Stop/Start Service?\"\n"
    "  --no-simple-script   run the scripts even when the dialog stored Simple Script mode\n"
    "  --answer A           yes, no or cancel: the answer to every Yes/No(/Cancel) question\n"
    "                       of the run when there is no terminal to ask on (cancel is no\n"
    "                       where there is no Cancel button)\n"
    "  --report FILE        after the run, write one row per server with the outcome of its\n"
    "                       login check, each script and each step to FILE: CSV when its\n"
    "                       name ends in .csv, JSON when it ends in .json\n"
    "  --failed-from REPORT process only the servers that a report written by --report marks\n"
    "                       as failed or not run, in its order, each once (not with --server\n"
    "                       or --group); standard error says how many of each it took\n"
    "  --csv FILE           in Simple Script mode, write every server's result as one table\n"
    "                       to FILE (CSV), with the server's name first; a server whose\n"
    "                       columns differ starts a table of its own after an empty line\n"
    "  --parallel N         process up to N servers at once (1 to 64; default:\n"
    "                       \"Errors\"/\"ParallelServers\", else 1). The log still lists the\n"
    "                       servers one after another, in list order\n\n"
    "The log goes to standard output as the log window shows it, and is appended to the log\n"
    "file as a run in the desktop program appends it. Message boxes go to standard error with\n"
    "their caption. Questions are asked on the terminal; without a terminal --answer answers\n"
    "them, and without --answer the safe answer is taken: No to a yes/no question, Cancel to a\n"
    "yes/no/cancel question, and an empty (cancelled) input box. A log collected until the run\n"
    "ends (\"RefreshLogWindow\" 0) is printed then, also when the run ends early.\n\n"
    "Exit status: 0 every script and step succeeded; 1 a script was UNSUCCESSFUL, a step\n"
    "failed, an error message was shown (a log file that cannot be written), or the run\n"
    "stopped at a break (\"Break and display\"; continue with --start-index); 2 the run\n"
    "was refused (no server, no copy file, bad usage) or ended early (\"End and display\",\n"
    "a cancelled question, a missing query tool); 130 or 143 the run was interrupted by\n"
    "SIGINT or SIGTERM: the running query tool is ended first, the log says so and is\n"
    "appended to the log file.\n";

constexpr int kMaxStartIndex = 32767;
// An interrupted run exits as a shell reports a process ended by the signal: 128 + its number.
constexpr int kExitSignalBase = 128;

std::optional<int> ParseStartIndex(const std::string& text) {
  std::optional<int> value = settings::ParseDigits(text, kMaxStartIndex);
  if (value && *value < 1) return std::nullopt;
  return value;
}

std::optional<engine::Answer> ParseAnswer(const std::string& text) {
  const std::string word = settings::AsciiLower(text);
  if (word == "yes") return engine::Answer::kYes;
  if (word == "no") return engine::Answer::kNo;
  if (word == "cancel") return engine::Answer::kCancel;
  return std::nullopt;
}

std::string JoinWithBars(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) joined += (joined.empty() ? "" : "|") + item;
  return joined;
}

/// The Process Servers list from --server and --group, as the registry spells the names.
Result<std::vector<std::string>> ChosenServers(settings::SettingsStore& store, const Args& args) {
  settings::ServerRegistry registry(store);
  std::vector<std::string> servers;
  for (const std::string& typed : args.Values("server")) {
    std::string name = settings::AsciiUpper(settings::TrimBlanks(typed));
    if (!registry.IsListed(name))
      return Status::Error(typed + " is not in the server list.", kInvalidArgument);
    servers.push_back(name);
  }
  if (std::optional<std::string> group = args.Value("group")) {
    std::vector<std::string> members = registry.FillServerList(settings::AsciiUpper(*group));
    servers.insert(servers.end(), members.begin(), members.end());
  }
  return engine::SortedAsListBox(servers);
}

/// A list of paths as it will be split: no item may hold the list's separators, and there
/// may be at most 100 of them.
Status CheckPathList(const std::vector<std::string>& paths, const std::string& option) {
  for (const std::string& path : paths) {
    if (Status s = engine::CheckListPath(path); !s)
      return Status::Error("--" + option + " " + s.message(), kInvalidArgument);
  }
  if (paths.size() > engine::kMaxListItems) {
    return Status::Error(
        "at most " + std::to_string(engine::kMaxListItems) + " --" + option + " paths can be given",
        kInvalidArgument);
  }
  return Status::Ok();
}

/// The servers a report marks as failed or not run, each a listed server, each once.
Result<engine::ServersToRunAgain> ServersAgainFrom(settings::SettingsStore& store,
                                                   const std::string& path) {
  settings::ServerRegistry registry(store);
  Result<engine::ServersToRunAgain> again =
      engine::ReadServersToRunAgain(path, registry.FillServerList(std::string()));
  if (!again) return Status::Error(again.status().message(), kInvalidArgument);
  return again;
}

/// The stored inputs with every option given laid over them; `again` tells what --failed-from
/// took.
Result<engine::RunInputs> RunInputsFor(settings::SettingsStore& store, const Args& args,
                                       engine::ServersToRunAgain& again) {
  engine::RunInputs inputs = engine::LoadStoredRunInputs(store);
  if (std::optional<std::string> report = args.Value("failed-from")) {
    if (args.Has("server") || args.Has("group"))
      return Status::Error("--failed-from cannot be given with --server or --group",
                           kInvalidArgument);
    Result<engine::ServersToRunAgain> taken = ServersAgainFrom(store, *report);
    if (!taken) return taken.status();
    again = *taken;
    inputs.processServers = again.servers;
  } else if (args.Has("server") || args.Has("group")) {
    Result<std::vector<std::string>> servers = ChosenServers(store, args);
    if (!servers) return servers.status();
    inputs.processServers = *servers;
  }
  for (const char* list : {"script", "copy"})
    if (Status s = CheckPathList(args.Values(list), list); !s) return s;
  if (args.Has("script")) inputs.scriptText = JoinWithBars(args.Values("script"));
  if (std::optional<std::string> text = args.Value("script-timeout")) {
    inputs.scriptTimeoutSeconds = engine::ParseScriptTimeout(*text);
    if (!inputs.scriptTimeoutSeconds) {
      return Status::Error("--script-timeout needs a number of seconds from 0 to " +
                               std::to_string(engine::kMaxScriptTimeoutSeconds),
                           kInvalidArgument);
    }
  }
  if (args.Has("copy")) {
    inputs.copyFileText = JoinWithBars(args.Values("copy"));
    inputs.copyFile = true;
  }
  if (std::optional<std::string> text = args.Value("parallel")) {
    std::optional<int> count = ParseStartIndex(*text);
    if (!count || *count > engine::kMaxParallelServers) {
      return Status::Error(
          "--parallel needs a number from 1 to " + std::to_string(engine::kMaxParallelServers),
          kInvalidArgument);
    }
    inputs.parallelServers = *count;
  }
  if (std::optional<std::string> text = args.Value("append-text")) inputs.appendTextText = *text;
  if (std::optional<std::string> text = args.Value("simple-script")) {
    inputs.simpleScriptMode = true;
    inputs.simpleScriptText = *text;
  }
  // Each box can be set or cleared, whatever the dialog stored.
  const std::pair<const char*, bool engine::RunInputs::*> boxes[] = {
      {"copy", &engine::RunInputs::copyFile},
      {"overwrite", &engine::RunInputs::overwriteFile},
      {"append", &engine::RunInputs::appendText},
      {"add-timestamp", &engine::RunInputs::addTimeStamp},
      {"restart-service", &engine::RunInputs::restartServices},
      {"simple-script", &engine::RunInputs::simpleScriptMode},
  };
  for (const auto& [name, box] : boxes) {
    const std::string on = name, off = std::string("no-") + name;
    if (args.Has(on) && args.Has(off))
      return Status::Error("--" + on + " and --" + off + " cannot both be given", kInvalidArgument);
    if (args.Has(off))
      inputs.*box = false;
    else if (args.Has(on) && on != "copy" && on != "simple-script")
      inputs.*box = true;
  }
  // Stored lists too: a run must not start with a list it will refuse on every server.
  if (!inputs.simpleScriptMode && !engine::SplitList(inputs.scriptText)) {
    return Status::Error(
        "the script list holds more than " + std::to_string(engine::kMaxListItems) + " paths",
        kInvalidArgument);
  }
  if (inputs.copyFile && !engine::SplitList(inputs.copyFileText)) {
    return Status::Error(
        "the copy list holds more than " + std::to_string(engine::kMaxListItems) + " paths",
        kInvalidArgument);
  }
  return inputs;
}

/// errorsShown: message boxes of a run that was not refused, such as a log file that could not
/// be written; they fail the run as a failed step does.
int ExitStatus(const engine::RunOutcome& outcome, bool errorsShown) {
  switch (outcome.kind) {
    case engine::RunOutcome::Kind::kRefused:
    case engine::RunOutcome::Kind::kEndedEarly:
      return kExitUsage;
    case engine::RunOutcome::Kind::kStopped:
      return kExitFailure;
    case engine::RunOutcome::Kind::kCompleted:
      break;
  }
  return outcome.anyFailure || errorsShown ? kExitFailure : kExitOk;
}

int RunRun(CliContext& context, const Args& args) {
  if (!args.positional().empty())
    return Refuse(context, "run takes no arguments besides its options (see run --help)");
  int startIndex = 1;
  if (std::optional<std::string> text = args.Value("start-index")) {
    std::optional<int> parsed = ParseStartIndex(*text);
    if (!parsed) return Refuse(context, "--start-index needs a number from 1 to 32767");
    startIndex = *parsed;
  }
  std::optional<engine::Answer> answer;
  if (std::optional<std::string> text = args.Value("answer")) {
    answer = ParseAnswer(*text);
    if (!answer) return Refuse(context, "--answer needs yes, no or cancel");
  }
  const std::optional<std::string> reportPath = args.Value("report");
  if (reportPath) {
    if (Result<engine::ReportFormat> format = engine::ReportFormatOf(*reportPath); !format)
      return Refuse(context, format.status().message());
  }
  engine::ServersToRunAgain again;
  Result<engine::RunInputs> given = RunInputsFor(context.store, args, again);
  if (!given) return Report(context, given.status());
  engine::RunInputs inputs = *given;
  const std::optional<std::string> csvPath = args.Value("csv");
  if (csvPath && !inputs.simpleScriptMode)
    return Refuse(context, "--csv writes the Simple Script results: give --simple-script");
  const size_t serverCount = inputs.processServers.size();
  if (std::optional<std::string> report = args.Value("failed-from")) {
    if (serverCount == 0) {
      context.err << "pelvanectl: " << *report
                  << " marks no server as failed or not run; nothing to run\n";
      return kExitOk;
    }
    context.err << "pelvanectl: " << *report << ": taking " << again.failed << " failed and "
                << again.notRun << " not run server" << (serverCount == 1 ? "" : "s") << '\n';
  }
  if (serverCount > 0 && static_cast<size_t>(startIndex) > serverCount) {
    return Refuse(context, "--start-index " + std::to_string(startIndex) +
                               " is past the end of the list of " + std::to_string(serverCount) +
                               " server" + (serverCount == 1 ? "" : "s"));
  }

  // Before any server: a script or copy file that cannot be read would fail on every one.
  if (Status files = engine::CheckRunFiles(inputs); !files) {
    std::string text = files.message();
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
    return Refuse(context, text);
  }

  InterruptWatch interrupts;
  std::unique_ptr<engine::SqlClient> sql =
      context.environment.makeSqlClient(&interrupts.interrupted());
  platform::PosixProcessLauncher processes(&interrupts.interrupted());
  platform::SmbNetworkShares shares;
  platform::SmbRemoteClock clock;
  platform::NetRpcServiceControl services;
  platform::SystemSleeper sleeper;
  platform::SecretServiceKeyring keyring;
  CliRunHost host(context.out, context.err, context.environment.readLine, answer);
  engine::RunPorts ports{host, *sql, processes, shares, clock, services, sleeper, keyring};

  engine::ProgramState state = engine::LoadProgramState(context.store, {});
  engine::MessageLog log(host.LogWindow(), state.TempErrorFile, state.FixedLogFile);
  engine::RunSetup setup;
  setup.inputs = inputs;
  setup.startIndex = startIndex;
  setup.state = state;
  setup.queryToolFolder = platform::ProgramFolder();
  setup.interrupted = &interrupts.interrupted();
  setup.mergedCsv = csvPath.has_value();
  engine::RunSession session(std::move(setup), ports, context.store, log);
  const engine::RunOutcome outcome = session.Run();
  bool filesFailed = false;
  if (reportPath && outcome.kind != engine::RunOutcome::Kind::kRefused) {
    if (Status written = engine::WriteReportFile(*reportPath, session.recorder().Snapshot());
        !written) {
      context.err << "pelvanectl: " << written.message() << '\n';
      filesFailed = true;
    }
  }
  if (csvPath && outcome.kind != engine::RunOutcome::Kind::kRefused) {
    const std::string text = session.TakeMergedCsv();
    if (Result<settings::FileStamp> written = settings::ReplaceFileAtName(*csvPath, text);
        !written) {
      context.err << "pelvanectl: " << *csvPath << ": " << written.status().message() << '\n';
      filesFailed = true;
    }
  }
  const int signal = interrupts.interrupted() ? interrupts.signal() : 0;
  if (Status logged = FinishRunLog(log, outcome.kind, signal, state.LogFile); !logged) {
    context.err << "pelvanectl: " << logged.message() << '\n';
    filesFailed = true;
  }
  if (signal != 0) {
    context.err << "pelvanectl: the run was interrupted\n";
    return kExitSignalBase + signal;
  }
  if (outcome.kind == engine::RunOutcome::Kind::kStopped) {
    // Standard output is the log; the way on belongs with the messages. After the last server
    // (or with every server already handed out side by side) there is nothing to continue.
    context.err << "pelvanectl: the run stopped after an error";
    if (static_cast<size_t>(outcome.NextServerIndex) <= serverCount)
      context.err << "; continue with --start-index " << outcome.NextServerIndex;
    context.err << '\n';
  }
  return ExitStatus(outcome, host.messagesShown() > 0 || filesFailed);
}

}  // namespace

std::vector<Command> RunCommands() {
  return {
      {"run",
       "run scripts (and the copy, append and service steps) on servers",
       kUsage,
       {{"server", "group", "script", "copy", "append-text", "simple-script", "start-index",
         "answer", "script-timeout", "report", "failed-from", "csv", "parallel"},
        {"overwrite", "append", "add-timestamp", "restart-service", "no-copy", "no-overwrite",
         "no-append", "no-add-timestamp", "no-restart-service", "no-simple-script"}},
       RunRun},
  };
}

}  // namespace pelvane::cli
