// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/RunContext.h"

namespace pelvane::engine {

/// How the script step leaves the run.
enum class ScriptsEnd {
  kContinue,  // go on with the server's other steps and the next server
  kBreak,     // break and display: the server's other steps still run, then the run stops
  kEndRun,    // end at once: no further steps or servers, no end-of-run actions
};

/// One start of the query tool. The password travels in SQLCMDPASSWORD, never as an argument,
/// so that it does not show in the process list.
struct QueryToolCommand {
  std::string program;
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> environment;
};

/// "-S server -d database -U login -i script -o output" and "-t seconds" when a time-out is
/// set, the password in the environment.
QueryToolCommand BuildQueryToolCommand(const ServerContext& server, const std::string& script,
                                       const std::string& outputFile, int timeoutSeconds = 0);

/// The query tool's options for the server's encryption settings; none for the defaults.
std::vector<std::string> QueryToolEncryptionArguments(const SqlEncryption& encryption);

/// The longest script time-out, in seconds (about 24 days; its milliseconds fit in an int).
constexpr int kMaxScriptTimeoutSeconds = 2'000'000;

/// The script time-out when neither the run nor "Pelvane"/"ScriptTimeout" gives one: a server
/// that never answers a batch must not hold a run forever. 0, given explicitly, is no limit.
constexpr int kDefaultScriptTimeoutSeconds = 3600;

/// A script time-out as stored or typed: whole seconds from 0 (no limit) up to the most.
std::optional<int> ParseScriptTimeout(const std::string& text);

/// The output file's lines joined without separators, as the judgement reads them.
std::string JoinOutputLines(const std::string& fileText);

/// A script failed when its output holds "Server: Msg" but not "SUCCESSFUL" (any letter case).
bool OutputShowsFailure(const std::string& joinedOutput);

/// Fields as a comma-separated reader reads them: a field ends at a comma or a line break,
/// leading blanks are dropped, and a field opened by a double quote runs to the closing quote,
/// commas and all, without its quotes (what follows the closing quote up to the next
/// delimiter is dropped).
std::vector<std::string> ReadDelimitedFields(const std::string& text);

/// Runs every script of the script list against run.server, checking the login before each,
/// judging each output and applying the error policy of "MessagesTo" and WhenOccurs.
ScriptsEnd RunScripts(RunContext& run);

}  // namespace pelvane::engine
