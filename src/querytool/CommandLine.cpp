#include "querytool/CommandLine.h"

#include <map>

namespace pelvane::querytool {
namespace {

std::string* Field(Options& options, char letter) {
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
    default:
      return nullptr;
  }
}

}  // namespace

Result<Options> ParseCommandLine(const std::vector<std::string>& args,
                                 const std::optional<std::string>& environmentPassword) {
  Options options;
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
    std::string* field = Field(options, letter);
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
  return options;
}

std::string HelpText() {
  return "Usage: isqlw -S server [-d database] -U login [-P password] -i script -o output\n"
         "\n"
         "Runs a SQL script against SQL Server in batches separated by lines holding only GO,\n"
         "and writes result sets, messages and errors to the output file as text.\n"
         "\n"
         "  -S server    host,port or host:port or host (port 1433)\n"
         "  -d database  database to use (default: the login's default database)\n"
         "  -U login     SQL Server login\n"
         "  -P password  its password; without -P the environment variable SQLCMDPASSWORD\n"
         "  -i script    script file (8-bit text, UTF-8 or UTF-16 with a byte-order mark)\n"
         "  -o output    output file, created or emptied first; lines end in CR LF\n"
         "  --help       this text\n"
         "\n"
         "Server errors appear as \"Server: Msg <number>, Level <severity>, State <state>,\n"
         "Line <line>\" followed by the message. Exit status: 0 success, 1 a batch raised a\n"
         "server error, 2 bad usage, unreadable script or no connection.\n";
}

}  // namespace pelvane::querytool
