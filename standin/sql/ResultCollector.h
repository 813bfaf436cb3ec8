// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "standin/sql/BatchEvents.h"

namespace pelvane::standin {

/// What stepping one prepared statement to its end produced.
struct StepResult {
  bool ok = true;
  int code = 0;
  std::string message;
  bool hasColumns = false;
  ResultSet resultSet;  // when hasColumns
  int64_t changes = 0;  // rows changed by INSERT, UPDATE, DELETE
};

/// Steps the statement, collecting its rows with one type per column: integer when every
/// value is, float when a float appears among numbers, text otherwise.
StepResult StepAndCollect(sqlite3* db, sqlite3_stmt* statement);

/// A value as PRINT and RAISERROR show it; NULL is "".
std::string ValueText(const Value& value);

}  // namespace pelvane::standin
