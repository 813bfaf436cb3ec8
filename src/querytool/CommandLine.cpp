// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/CommandLine.h"

#include <functional>
#include <map>
#include <optional>

#include "engine/SqlEncryptionSettings.h"
#include "settings/ProfileText.h"

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

// Whole seconds, as the classic tool takes them.
std::optional<int> Seconds(const std::string& text) {
  return settings::ParseDigits(text, 9'999'999);
}

/// The encryption options; false when `name` is none of them.
bool ReadEncryptionOption(const std::string& name,
                          const std::function<Result<std::string>()>& value, Options& options,
                          Status& read) {
  engine::SqlEncryption& encryption = options.encryption;
  read = Status::Ok();
  if (name == "--trust-server-certificate") {
    encryption.trustServerCertificate = true;
    return true;
  }
  std::string* text = name == "--server-certificate"         ? &encryption.serverCertificate
                      : name == "--host-name-in-certificate" ? &encryption.hostNameInCertificate
                                                             : nullptr;
  if (name != "--encrypt" && text == nullptr) return false;
  Result<std::string> given = value();
  if (!given) {
    read = given.status();
    return true;
  }
  if (text != nullptr) {
    *text = *given;
    return true;
  }
  std::optional<engine::EncryptMode> mode = engine::ParseEncryptMode(*given);
  if (!mode) {
    read = Status::Error("Option --encrypt needs Optional, Mandatory or Strict");
    return true;
  }
  encryption.mode = *mode;
  encryption.modeWritten = true;
  return true;
}

/// "--check-after", "--check-time", "--browser-timeout" and the encryption options, with their
/// value in the next argument or after "=".
Status ReadCheckOption(const std::vector<std::string>& args, size_t& i, Options& options) {
  const std::string& arg = args[i];
  const size_t equals = arg.find('=');
  const std::string name = arg.substr(0, equals);
  auto value = [&]() -> Result<std::string> {
    if (equals != std::string::npos) return arg.substr(equals + 1);
    if (i + 1 < args.size()) return args[++i];
    return Status::Error("Option " + name + " needs a value");
  };
  Status read = Status::Ok();
  if (ReadEncryptionOption(name, value, options, read)) return read;
  int* field = name == "--check-after"       ? &options.checkAfterSeconds
               : name == "--check-time"      ? &options.checkSeconds
               : name == "--browser-timeout" ? &options.browserTimeoutSeconds
                                             : nullptr;
  if (field == nullptr) return Status::Error("Unknown option \"" + name + "\"");
  Result<std::string> text = value();
  if (!text) return text.status();
  std::optional<int> seconds = Seconds(*text);
  const bool checkTime = field != &options.checkAfterSeconds;
  if (!seconds || (checkTime && *seconds == 0)) {
    return Status::Error("Option " + name + " needs a number of seconds" +
                         (checkTime ? " (1 or more)" : " (0 for no check)"));
  }
  *field = *seconds;
  return Status::Ok();
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
    if (arg.rfind("--", 0) == 0) {
      if (Status read = ReadCheckOption(args, i, options); !read) return read;
      continue;
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
    std::optional<int> seconds = Seconds(timeoutText);
    if (!seconds) return Status::Error("Option -t needs a number of seconds (0 for no time-out)");
    options.queryTimeoutSeconds = *seconds;
  }
  return options;
}

std::string HelpText() {
  return "Usage: isqlw -S server [-d database] -U login [-P password] -i script -o output\n"
         "             [-t seconds] [--check-after seconds] [--check-time seconds]\n"
         "             [--encrypt mode] [--trust-server-certificate] [--server-certificate file]\n"
         "             [--host-name-in-certificate name] [--browser-timeout seconds]\n"
         "\n"
         "Runs a SQL script against SQL Server in batches separated by lines holding only GO,\n"
         "and writes result sets, messages and errors to the output file as text.\n"
         "\n"
         "  -S server    host,port or host:port or host (port 1433), or host\\instance\n"
         "               (its port from the SQL Server Browser on the host)\n"
         "  -d database  database to use (default: the login's default database)\n"
         "  -U login     SQL Server login\n"
         "  -P password  its password; without -P the environment variable SQLCMDPASSWORD\n"
         "  -i script    script file (8-bit text, UTF-8 or UTF-16 with a byte-order mark)\n"
         "  -o output    output file, created or emptied first (mode 0600 when created); lines\n"
         "               end in CR LF; it must not be the script file\n"
         "  -t seconds   query time-out: a batch that runs longer in all is ended, however\n"
         "               the server answers meanwhile, its connection closed, and the run\n"
         "               stops with status 3 (default 0: no time-out)\n"
         "  --check-after seconds\n"
         "               when a batch has had no answer for this long, the server is checked\n"
         "               on a second connection (same login and database, SELECT 1); a server\n"
         "               that answers is busy and the batch goes on waiting, checked again\n"
         "               after each further silence as long; a server that does not answer\n"
         "               in time has stalled: the batch is ended, its connection closed, and\n"
         "               the run stops with status 4; a refused check proves nothing: the\n"
         "               batch waits on and no more checks are made (default 30; 0: no check)\n"
         "  --check-time seconds\n"
         "               how long that check may take, login included (default 20)\n"
         "  --encrypt mode\n"
         "               Optional: encrypt when the server offers it, no certificate check;\n"
         "               Mandatory: always encrypt, the certificate must be valid; Strict:\n"
         "               TDS 8.0, which needs FreeTDS 1.5 (default: Mandatory, but a server\n"
         "               that offers no encryption is still reached in clear)\n"
         "  --trust-server-certificate\n"
         "               accept any certificate (still encrypted)\n"
         "  --server-certificate file\n"
         "               PEM file of the CA (or the server's own certificate) to validate\n"
         "               against (default: the system's CA store)\n"
         "  --host-name-in-certificate name\n"
         "               the name the certificate must carry, when not the server's\n"
         "  --browser-timeout seconds\n"
         "               how long the SQL Server Browser may take to name an instance's\n"
         "               port, asked again once within it (default 2)\n"
         "  --help       this text\n"
         "\n"
         "Server errors appear as \"Server: Msg <number>, Level <severity>, State <state>,\n"
         "Line <line>\" followed by the message. Exit status: 0 success, 1 a batch raised a\n"
         "server error, 2 bad usage, unreadable script or no connection, 3 a batch ran past\n"
         "the query time-out, 4 the server answered neither a batch nor the check.\n";
}

}  // namespace pelvane::querytool
