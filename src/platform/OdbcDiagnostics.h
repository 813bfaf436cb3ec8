// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sql.h>

#include <string>
#include <vector>

#include "engine/ports/SqlClient.h"

namespace pelvane::platform {

/// `text` with every occurrence of each non-empty secret replaced by "****".
std::string ScrubSecrets(std::string text, const std::vector<std::string>& secrets);

/// Splits a driver message "[vendor][component]text" into its source ("vendor component") and
/// its text; a message without that prefix comes from "ODBC".
engine::SqlError MakeSqlError(std::string sqlState, long nativeError, const std::string& message);

/// Every diagnostic record of `handle`, with the secrets scrubbed from their messages.
std::vector<engine::SqlError> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle,
                                              const std::vector<std::string>& secrets);

/// "SQLSTATE 42S02, error 208 (FreeTDS SQL Server): Invalid object name 'x'.", one line per
/// error.
std::string DescribeSqlErrors(const std::vector<engine::SqlError>& errors);

/// True when the driver or the server reported at least one of `errors`; false when they all
/// come from the driver manager or from this program (no driver, no memory).
bool ReportedByDriverOrServer(const std::vector<engine::SqlError>& errors);

}  // namespace pelvane::platform
