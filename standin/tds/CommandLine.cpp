// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/CommandLine.h"

#include <algorithm>
#include <charconv>

namespace pelvane::standin::tds {
namespace {

bool ParseInt(const std::string& text, int low, int high, int& value) {
  const char* end = text.data() + text.size();
  auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end && value >= low && value <= high;
}

}  // namespace

std::string StandinUsage() {
  return "Usage: sqlstandin --dir DIR --port N [--port N ...] --login NAME:PASSWORD [...]\n"
         "                  [--database NAME ...] [--latency-ms N] [--no-sp-password]\n"
         "                  [--tls-cert PEM --tls-key PEM] [--encryption off|on|required]\n"
         "\n"
         "A stand-in SQL Server for tests and demos: speaks TDS 7.1-7.4 on 127.0.0.1 and keeps\n"
         "its databases as SQLite files. Never use it for real data.\n"
         "\n"
         "  --dir DIR          data folder; each port keeps its databases in DIR/<port>\n"
         "  --port N           a port to serve as a server of its own (repeatable)\n"
         "  --login NAME:PASS  a login that every server accepts (repeatable); NAME:PASS:expired\n"
         "                     or NAME:PASS:mustchange refuses it (18487, 18488) until a login\n"
         "                     changes its password\n"
         "  --database NAME    a database that every server has besides master (repeatable)\n"
         "  --latency-ms N     wait N milliseconds before answering each batch or call\n"
         "  --no-sp-password   answer sp_password with Msg 2812, as Azure SQL Database does\n"
         "  --browser-instance NAME\n"
         "                     answer the SQL Server Browser (UDP 127.0.0.1:1434) for instance\n"
         "                     NAME with the first port; run it in a network namespace of its own\n"
         "  --windows-login DOMAIN\\USER:PASS\n"
         "                     a Windows login, checked by NTLM in the login (repeatable)\n" +
         TlsUsage() +
         "  --help             show this text\n"
         "\n"
         "Prints \"ready\" once it listens on every port; ends on SIGTERM or SIGINT.\n";
}

Result<StandinOptions> ParseStandinOptions(const std::vector<std::string>& args) {
  StandinOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (IsTlsOption(arg)) {
      if (i + 1 >= args.size()) return Status::Error(arg + " needs a value");
      if (Status applied = ApplyTlsOption(arg, args[++i], options.tls); !applied.ok())
        return applied;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return options;
    }
    if (arg == "--no-sp-password") {
      options.spPassword = false;
      continue;
    }
    if (arg != "--dir" && arg != "--port" && arg != "--login" && arg != "--database" &&
        arg != "--latency-ms" && arg != "--browser-instance" && arg != "--windows-login")
      return Status::Error("unknown argument: " + arg);
    if (i + 1 >= args.size()) return Status::Error(arg + " needs a value");
    const std::string& value = args[++i];
    if (arg == "--dir") {
      if (value.empty()) return Status::Error("--dir needs a folder");
      options.dir = value;
    } else if (arg == "--port") {
      int port = 0;
      if (!ParseInt(value, 1, 65535, port)) return Status::Error("bad port: " + value);
      if (std::find(options.ports.begin(), options.ports.end(), port) != options.ports.end())
        return Status::Error("port given twice: " + value);
      options.ports.push_back(port);
    } else if (arg == "--login") {
      if (value.find(':') == std::string::npos || value.front() == ':')
        return Status::Error("--login needs NAME:PASSWORD");  // never echo a password
      options.logins.push_back(value);
    } else if (arg == "--database") {
      if (value.empty()) return Status::Error("--database needs a name");
      options.databases.push_back(value);
    } else if (arg == "--browser-instance") {
      if (value.empty() || value.size() > 32)
        return Status::Error("--browser-instance needs a name");
      options.browserInstance = value;
    } else if (arg == "--windows-login") {
      const size_t backslash = value.find('\\');
      const size_t colon = value.find(':');
      if (backslash == std::string::npos || backslash == 0 || colon == std::string::npos ||
          colon < backslash + 2)
        return Status::Error("--windows-login needs DOMAIN\\USER:PASSWORD");  // no password echo
      options.windowsLogins.push_back(value);
    } else {
      if (!ParseInt(value, 0, 600000, options.latencyMs))
        return Status::Error("bad --latency-ms: " + value);
    }
  }
  if (options.dir.empty()) return Status::Error("--dir is required");
  if (options.ports.empty()) return Status::Error("at least one --port is required");
  if (options.logins.empty() && options.windowsLogins.empty())
    return Status::Error("at least one --login is required");
  if (Status tls = CheckTlsOptions(options.tls); !tls.ok()) return tls;
  return options;
}

}  // namespace pelvane::standin::tds
