// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/ports/SqlClient.h"
#include "freetds/TdsServerName.h"
#include "settings/Status.h"

namespace pelvane::platform {

/// Makes this process's private FreeTDS configuration and points FREETDSCONF at it, once.
/// FREETDSCONF is read by the driver at every connection and is one for the whole process, so
/// the file is one for the process too, with a section per server and settings, and removed
/// when the process ends. Called when the first ODBC client is made, before any connection.
Status PrepareOdbcFreeTdsConfig();

/// The section of that file for the server: the value of SERVERNAME=.
Result<std::string> OdbcFreeTdsSection(const freetds::TdsServerName& server,
                                       const engine::SqlEncryption& encryption,
                                       const std::string& listed);

}  // namespace pelvane::platform
