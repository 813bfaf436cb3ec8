#include "querytool/CommandLine.h"

#include <map>

namespace pelvane::querytool {
namespace {

std::string* Field(Options& options, std::string& timeoutText, char letter) {
  switch (letter) {
    case 'S':
      return &options.server;
    case 'd':
      return &options.database;
    case 'U':
      return &options.login;
    case 'P':
      return &options.password;
    case 'i':
      return &options.scriptPath;
    case 'o':
      return &options.outputPath;
    case 't':
      return &timeoutText;
    default:
      return nullptr;
  }
}

}  // namespace

Result<Options> ParseCommandLine(const std::vector<std::string>& args,
                                 const std::optional<std::string>& environmentPassword) {
  Options options;
  std::string timeoutText;
  std::map<char, bool> given;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-?" || arg == "/?") {
      options.help = true;
      return options;
    }
    if (arg.size() < 2 || arg[0] != '-')
      return Status::Error("Unexpected argument \"" + arg + "\"");
    const char letter = arg[1];
    std::string* field = Field(options, timeoutText, letter);
    if (field == nullptr) return Status::Error("Unknown option \"" + arg.substr(0, 2) + "\"");
    if (given[letter]) return Status::Error(std::string("Option -") + letter + " given twice");
    given[letter] = true;
    if (arg.size() > 2) {
      *field = arg.substr(2);
    } else if (i + 1 < args.size()) {
      *field = args[++i];
    } else {
      return Status::Error(std::string("Option -") + letter + " needs a value");
    }
  }
  for (char letter : {'S', 'U', 'i', 'o'})
    if (!given[letter]) return Status::Error(std::string("Option -") + letter + " is required");
  if (!given['P'] && environmentPassword) options.password = *environmentPassword;
  if (given['t']) {
    // Whole seconds, as the classic tool takes them; 0 means no time-out.
    bool digits = !timeoutText.empty() && timeoutText.size() <= 7 &&
                  timeoutText.find_first_not_of("0123456789") == std::string::npos;
    if (!digits) return Status::Error("Option -t needs a number of seconds (0 for no time-out)");
    options.queryTimeoutSeconds = std::stoi(timeoutText);
  }
  return options;
}

std::string HelpText() {
  return "Usage: isqlw -S server [-d database] -U login [-P password] -i script -o output\n"
         "             [-t seconds]\n"
         "\n"
         "Runs a SQL script against SQL Server in batches separated by lines holding only GO,\n"
         "and writes result sets, messages and errors to the output file as text.\n"
         "\n"
         "  -S server    host,port or host:port or host (port 1433)\n"
         "  -d database  database to use (default: the login's default database)\n"
         "  -U login     SQL Server login\n"
         "  -P password  its password; without -P the environment variable SQLCMDPASSWORD\n"
         "  -i script    script file (8-bit text, UTF-8 or UTF-16 with a byte-order mark)\n"
         "  -o output    output file, created or emptied first (mode 0600 when created); lines\n"
         "               end in CR LF; it must not be the script file\n"
         "  -t seconds   query time-out: a batch that runs longer is ended, its connection\n"
         "               closed, and the run stops with status 3 (default 0: no time-out)\n"
         "  --help       this text\n"
         "\n"
         "Server errors appear as \"Server: Msg <number>, Level <severity>, State <state>,\n"
         "Line <line>\" followed by the message. Exit status: 0 success, 1 a batch raised a\n"
         "server error, 2 bad usage, unreadable script or no connection, 3 a batch ran past\n"
         "the query time-out.\n";
}

}  // namespace pelvane::querytool
