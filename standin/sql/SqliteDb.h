// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "settings/Status.h"

namespace pelvane::standin {

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct SqliteFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, SqliteFinalizer>;

/// How long a connection waits for another session's write lock before giving up.
constexpr int kBusyTimeoutMs = 15000;

/// Opens (creating when missing) a database file in WAL mode with a busy timeout, so that
/// several sessions can read and write the same file at once.
Result<SqliteHandle> OpenSqliteFile(const std::string& path);

/// Runs statements that return no rows (schema set-up).
Status ExecSql(sqlite3* db, const std::string& sql);

/// A prepared statement with its parameters bound as text (nullopt binds NULL).
Result<StatementHandle> PrepareBound(sqlite3* db, const std::string& sql,
                                     std::initializer_list<std::optional<std::string>> params);

/// Steps a statement to its end; the Status carries SQLite's message on failure.
Status StepToEnd(sqlite3* db, sqlite3_stmt* statement);

/// The first column of the first row as text; nullopt when there is no row or it is NULL.
Result<std::optional<std::string>> QueryText(
    sqlite3* db, const std::string& sql, std::initializer_list<std::optional<std::string>> params);

}  // namespace pelvane::standin
