// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <charconv>
#include <ostream>

#include "cli/Command.h"
#include "cli/InterruptWatch.h"
#include "cli/TerminalQuestion.h"
#include "engine/ConnectionCheckReport.h"
#include "engine/ReportFile.h"
#include "engine/ServerTargets.h"
#include "platform/SecretServiceKeyring.h"
#include "settings/ProfileText.h"
#include "settings/ServerRegistry.h"

namespace pelvane::cli {

namespace {

constexpr int kDefaultParallel = 8;
constexpr int kMaxParallel = 64;
constexpr int kQuerySeconds = 30;

/// The servers named by --server and --group, each once, in list order; every listed server
/// when neither is given.
Result<std::vector<std::string>> ServersToCheck(settings::SettingsStore& store, const Args& args) {
  settings::ServerRegistry registry(store);
  const std::vector<std::string> listed = registry.FillServerList(std::string());
  if (!args.Has("server") && !args.Has("group")) return listed;
  std::vector<std::string> wanted;
  for (const std::string& typed : args.Values("server")) {
    std::string name = settings::AsciiUpper(settings::TrimBlanks(typed));
    if (std::find(listed.begin(), listed.end(), name) == listed.end())
      return Status::Error(typed + " is not in the server list.", kInvalidArgument);
    wanted.push_back(name);
  }
  if (std::optional<std::string> group = args.Value("group")) {
    std::vector<std::string> members = registry.FillServerList(settings::AsciiUpper(*group));
    wanted.insert(wanted.end(), members.begin(), members.end());
  }
  std::vector<std::string> servers;
  for (const std::string& name : listed)
    if (std::find(wanted.begin(), wanted.end(), name) != wanted.end()) servers.push_back(name);
  return servers;
}

int RunCheck(CliContext& context, const Args& args) {
  if (!args.positional().empty())
    return Refuse(context,
                  "usage: check [--group G | --server S ...] [--parallel N] [--report FILE]");
  int parallel = kDefaultParallel;
  if (std::optional<std::string> text = args.Value("parallel")) {
    auto parsed = std::from_chars(text->data(), text->data() + text->size(), parallel);
    if (parsed.ec != std::errc() || parsed.ptr != text->data() + text->size() || parallel < 1 ||
        parallel > kMaxParallel)
      return Refuse(context, "--parallel takes a number from 1 to " + std::to_string(kMaxParallel) +
                                 ", not " + *text);
  }
  std::optional<std::string> reportPath = args.Value("report");
  if (reportPath) {
    if (Result<engine::ReportFormat> format = engine::ReportFormatOf(*reportPath); !format)
      return Report(context, format.status());
  }
  Result<std::vector<std::string>> servers = ServersToCheck(context.store, args);
  if (!servers) return Report(context, servers.status());
  if (servers->empty()) return Refuse(context, "No server to check.");

  platform::SecretServiceKeyring keyring;
  Result<std::vector<engine::SqlTarget>> targets =
      engine::ConnectionCheckTargets(context.store, keyring, *servers);
  if (!targets) return Fail(context, targets.status().message());

  InterruptWatch watch;
  std::vector<engine::ConnectionCheckRow> rows(targets->size());
  std::vector<bool> checked(targets->size(), false);
  engine::CheckConnections(
      [&]() -> std::shared_ptr<engine::SqlClient> {
        return context.environment.makeSqlClient(&watch.interrupted());
      },
      *targets, parallel, kQuerySeconds,
      [&](size_t index, const engine::ConnectionCheckRow& row) {
        rows[index] = row;
        checked[index] = true;
        // Server text may hold escape sequences: none reaches the terminal.
        context.out << ForTerminal(engine::ConnectionCheckLine(row)) << std::endl;
      },
      &watch.interrupted());
  if (watch.signal() != 0) {
    context.err << "Interrupted: not every server was checked.\n";
    return kExitFailure;
  }
  size_t ok = 0;
  for (const engine::ConnectionCheckRow& row : rows)
    ok += row.cause == engine::ConnectionCause::kOk;
  context.out << ok << " of " << rows.size() << " servers OK.\n";
  if (reportPath) {
    if (Status written = engine::WriteConnectionCheckReport(*reportPath, rows); !written)
      return Fail(context, written.message());
  }
  return ok == rows.size() ? kExitOk : kExitFailure;
}

}  // namespace

std::vector<Command> CheckCommands() {
  return {
      {"check",
       "connect to each server once and name why it cannot be used",
       "usage: pelvanectl check [--group G | --server S ...] [--parallel N] [--report FILE]\n\n"
       "Connects to each listed server (all of them, the servers of group G, or the servers\n"
       "named) once, with its stored SQL login and database, and prints one line per server as\n"
       "its answer arrives: OK with the server's version, the database and whether the\n"
       "connection is encrypted, or the cause: name not resolved, browser silent, port refused,\n"
       "no answer in time, certificate, strict not available, login refused, password expired,\n"
       "must change, database missing or not accessible, or error.\n\n"
       "  --parallel N   check up to N servers at once (1 to 64, default 8)\n"
       "  --report FILE  also write the rows to FILE, as CSV or JSON by its name (.csv, .json)\n\n"
       "Nothing is written to the settings or the log file. Exit status: 0 when every server\n"
       "is OK, 1 otherwise, 2 bad usage.\n",
       {{"group", "server", "parallel", "report"}, {}},
       RunCheck},
  };
}

}  // namespace pelvane::cli
