// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/ports/SqlClient.h"
#include "platform/OdbcConnection.h"

namespace pelvane::platform {

/// Reads the result that `statement` stands on: its column names and every row as text (NULL
/// as empty). A result without columns (an update's row count) gives hasResultSet false.
/// Returns false with `errors` filled when the driver fails on the way.
bool ReadResultTable(const OdbcConnection& connection, SQLHANDLE statement,
                     engine::QueryResult& result, std::vector<engine::SqlError>& errors);

/// The same, handed on as it is read: the column names once (not without a result table),
/// then each row as it is fetched; a row handler that returns false stops the reading, which
/// then counts as done.
struct ResultHandler {
  std::function<void(const std::vector<std::string>& names)> columns;
  std::function<bool(std::vector<std::string>&& values)> row;
};
bool ReadResultTable(const OdbcConnection& connection, SQLHANDLE statement,
                     const ResultHandler& handler, std::vector<engine::SqlError>& errors);

}  // namespace pelvane::platform
