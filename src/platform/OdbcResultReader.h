#pragma once

#include <vector>

#include "engine/ports/SqlClient.h"
#include "platform/OdbcConnection.h"

namespace pelvane::platform {

/// Reads the result that `statement` stands on: its column names and every row as text (NULL
/// as empty). A result without columns (an update's row count) gives hasResultSet false.
/// Returns false with `errors` filled when the driver fails on the way.
bool ReadResultTable(const OdbcConnection& connection, SQLHANDLE statement,
                     engine::QueryResult& result, std::vector<engine::SqlError>& errors);

}  // namespace pelvane::platform
