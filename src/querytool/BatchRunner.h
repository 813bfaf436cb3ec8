// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "querytool/DbLibConnection.h"
#include "querytool/RunReport.h"

namespace pelvane::querytool {

/// How one batch ended as far as the run is concerned.
enum class BatchEnd { kCompleted, kConnectionLost };

/// Sends one batch and writes all it produces to the report's output in the text layout: each
/// result set (header, dashes, rows, blank line, row count), the row counts of statements
/// without rows, and the server's messages in the order they came.
BatchEnd RunBatch(DbConnection& connection, const std::string& batch, RunReport& report);

}  // namespace pelvane::querytool
