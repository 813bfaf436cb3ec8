// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ports/SqlClient.h"
#include "settings/Status.h"

namespace pelvane::querytool {

/// What one run of the tool is asked to do.
struct Options {
  bool help = false;
  std::string server;
  std::string database;  ///< empty: the login's default database
  std::string login;
  std::string password;
  std::string scriptPath;
  std::string outputPath;
  int queryTimeoutSeconds = 0;  ///< -t: a batch that runs longer is ended; 0 waits forever
  /// --check-after: silence from the server during a batch before it is checked on a second
  /// connection; 0 never checks.
  int checkAfterSeconds = 30;
  int checkSeconds = 20;  ///< --check-time: how long that check may take, login included
  /// --encrypt, --trust-server-certificate, --server-certificate, --host-name-in-certificate
  engine::SqlEncryption encryption{};
  /// --browser-timeout: how long a named instance's SQL Browser may take to answer.
  int browserTimeoutSeconds = 2;
};

/// Reads "-S server -d database -U login -P password -i script -o output -t seconds" (a value may
/// also be attached: "-Sserver") and "--check-after seconds --check-time seconds". Without -P the
/// password comes from environmentPassword (the caller passes SQLCMDPASSWORD), so that it need not
/// stand in the process list. Error messages never repeat the password.
Result<Options> ParseCommandLine(const std::vector<std::string>& args,
                                 const std::optional<std::string>& environmentPassword);

/// The text --help prints.
std::string HelpText();

}  // namespace pelvane::querytool
