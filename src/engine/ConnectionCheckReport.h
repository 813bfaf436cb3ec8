// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/ConnectionCheck.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// The rows as CSV: a header record, then one record per server.
std::string ConnectionCheckCsv(const std::vector<ConnectionCheckRow>& rows);

/// The rows as JSON: {"servers": [{"server", "cause", "detail", "version", "database",
/// "encrypted" (true, false or null), "tlsVersion"}, ...]}.
std::string ConnectionCheckJson(const std::vector<ConnectionCheckRow>& rows);

/// Writes the rows in the format of the file's name (.csv or .json), replacing the file whole.
Status WriteConnectionCheckReport(const std::string& path,
                                  const std::vector<ConnectionCheckRow>& rows);

/// One line for a terminal: "SERVER: OK (version; database D; encrypted ...)" or
/// "SERVER: cause: detail".
std::string ConnectionCheckLine(const ConnectionCheckRow& row);

}  // namespace pelvane::engine
