// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/Status.h"
#include "standin/tds/TlsOptions.h"

namespace pelvane::standin::tds {

/// sqlstandin's command line.
struct StandinOptions {
  bool help = false;
  std::string dir;
  std::vector<int> ports;
  std::vector<std::string> logins;  // "NAME:PASSWORD", maybe ":expired" or ":mustchange" after
  bool spPassword = true;           // false: sp_password is missing, as on Azure SQL Database
  std::vector<std::string> databases;
  int latencyMs = 0;
  TlsOptions tls;
  std::string browserInstance;             // answered on UDP 1434 when set
  std::vector<std::string> windowsLogins;  // "DOMAIN\\user:PASSWORD", checked by NTLM
};

/// Parses the arguments after the program name; an error names the bad argument.
Result<StandinOptions> ParseStandinOptions(const std::vector<std::string>& args);

/// The --help text.
std::string StandinUsage();

}  // namespace pelvane::standin::tds
