// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/SqliteDb.h"

namespace pelvane::standin {

namespace {

Status SqliteError(sqlite3* db, const std::string& context) {
  return Status::Error(context + ": " + sqlite3_errmsg(db), sqlite3_extended_errcode(db));
}

}  // namespace

Result<SqliteHandle> OpenSqliteFile(const std::string& path) {
  sqlite3* raw = nullptr;
  int rc =
      sqlite3_open_v2(path.c_str(), &raw,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  SqliteHandle db(raw);
  if (rc != SQLITE_OK) {
    std::string reason = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
    return Status::Error("Cannot open database file " + path + ": " + reason, rc);
  }
  sqlite3_extended_result_codes(db.get(), 1);
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  // "name" in double quotes must stay an identifier, as with QUOTED_IDENTIFIER ON.
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  Status wal = ExecSql(db.get(), "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
  if (!wal.ok()) return wal;
  return db;
}

Status ExecSql(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  if (rc == SQLITE_OK) return Status::Ok();
  std::string text = message ? message : sqlite3_errstr(rc);
  sqlite3_free(message);
  return Status::Error(text, rc);
}

Result<StatementHandle> PrepareBound(sqlite3* db, const std::string& sql,
                                     std::initializer_list<std::optional<std::string>> params) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK)
    return SqliteError(db, "prepare");
  StatementHandle statement(raw);
  int index = 1;
  for (const std::optional<std::string>& param : params) {
    int rc = param ? sqlite3_bind_text(raw, index, param->data(), static_cast<int>(param->size()),
                                       SQLITE_TRANSIENT)
                   : sqlite3_bind_null(raw, index);
    if (rc != SQLITE_OK) return SqliteError(db, "bind");
    ++index;
  }
  return statement;
}

Status StepToEnd(sqlite3* db, sqlite3_stmt* statement) {
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) return SqliteError(db, "step");
  return Status::Ok();
}

Result<std::optional<std::string>> QueryText(
    sqlite3* db, const std::string& sql, std::initializer_list<std::optional<std::string>> params) {
  Result<StatementHandle> statement = PrepareBound(db, sql, params);
  if (!statement.ok()) return statement.status();
  int rc = sqlite3_step(statement->get());
  if (rc == SQLITE_DONE) return std::optional<std::string>();
  if (rc != SQLITE_ROW) return SqliteError(db, "step");
  const unsigned char* text = sqlite3_column_text(statement->get(), 0);
  if (!text) return std::optional<std::string>();
  return std::optional<std::string>(
      std::string(reinterpret_cast<const char*>(text),
                  static_cast<size_t>(sqlite3_column_bytes(statement->get(), 0))));
}

}  // namespace pelvane::standin
