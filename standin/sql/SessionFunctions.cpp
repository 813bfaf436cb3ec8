// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/SessionFunctions.h"

#include <random>

#include "standin/sql/SqliteDb.h"
#include "standin/sql/TextCase.h"

namespace pelvane::standin {

namespace {

// Procedures get ids of their own range so that OBJECTPROPERTY can tell them from tables.
constexpr const char* kObjectViews = R"SQL(
CREATE TEMP VIEW sysobjects AS
  SELECT name COLLATE NOCASE AS name, rowid AS id,
         CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS xtype,
         CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS type,
         1 AS uid, NULL AS crdate
  FROM main.sqlite_master
  WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!'
    AND name NOT LIKE 'standin!_%' ESCAPE '!'
  UNION ALL
  SELECT name COLLATE NOCASE, 1000000 + rowid, 'P', 'P', 1, created FROM main.standin_procedures;
CREATE TEMP VIEW sys_objects AS
  SELECT name, id AS object_id, type,
         CASE type WHEN 'U' THEN 'USER_TABLE' WHEN 'V' THEN 'VIEW' ELSE 'SQL_STORED_PROCEDURE' END
           AS type_desc,
         1 AS schema_id, crdate AS create_date
  FROM sysobjects;
CREATE TEMP VIEW sys_procedures AS SELECT * FROM sys_objects WHERE type = 'P';
CREATE TEMP VIEW sys_tables AS SELECT * FROM sys_objects WHERE type = 'U';
CREATE TEMP VIEW sys_views AS SELECT * FROM sys_objects WHERE type = 'V';
CREATE TEMP VIEW information_schema_tables AS
  SELECT db_name() AS TABLE_CATALOG, 'dbo' AS TABLE_SCHEMA, name AS TABLE_NAME,
         CASE type WHEN 'U' THEN 'BASE TABLE' ELSE 'VIEW' END AS TABLE_TYPE
  FROM sysobjects WHERE type IN ('U', 'V');
CREATE TEMP VIEW information_schema_routines AS
  SELECT db_name() AS ROUTINE_CATALOG, 'dbo' AS ROUTINE_SCHEMA, name AS ROUTINE_NAME,
         'PROCEDURE' AS ROUTINE_TYPE
  FROM sysobjects WHERE type = 'P';
)SQL";

SessionContext* ContextOf(sqlite3_context* call) {
  return static_cast<SessionContext*>(sqlite3_user_data(call));
}

void ResultText(sqlite3_context* call, const std::string& text) {
  sqlite3_result_text(call, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string ArgText(sqlite3_value* value) {
  const unsigned char* text = sqlite3_value_text(value);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<size_t>(sqlite3_value_bytes(value)))
              : std::string();
}

void GlobalVariable(sqlite3_context* call, int, sqlite3_value** args) {
  SessionContext* context = ContextOf(call);
  std::string name = UpperAscii(ArgText(args[0]));
  sqlite3* db = sqlite3_context_db_handle(call);
  if (name == "SERVERNAME") return ResultText(call, context->serverName);
  if (name == "VERSION") return ResultText(call, StandinVersionText());
  if (name == "ROWCOUNT") return sqlite3_result_int64(call, context->rowCount);
  if (name == "ERROR") return sqlite3_result_int64(call, context->lastError);
  if (name == "IDENTITY") return sqlite3_result_int64(call, sqlite3_last_insert_rowid(db));
  if (name == "TRANCOUNT") return sqlite3_result_int(call, sqlite3_get_autocommit(db) ? 0 : 1);
  if (name == "SPID") return sqlite3_result_int(call, 51);
  if (name == "LANGUAGE") return ResultText(call, "us_english");
  if (name == "SERVICENAME") return ResultText(call, "MSSQLSERVER");
  std::string message = "Must declare the scalar variable \"@@" + name + "\".";
  sqlite3_result_error(call, message.c_str(), -1);
}

void DatabaseName(sqlite3_context* call, int, sqlite3_value**) {
  ResultText(call, ContextOf(call)->database);
}

void LoginName(sqlite3_context* call, int, sqlite3_value**) {
  ResultText(call, ContextOf(call)->login);
}

void UserName(sqlite3_context* call, int, sqlite3_value**) {
  ResultText(call, "dbo");
}

// What CONNECTIONPROPERTY tells of the connection, as SQL Server names its properties; NULL
// for any other name.
void ConnectionProperty(sqlite3_context* call, int, sqlite3_value** args) {
  std::string name = LowerAscii(ArgText(args[0]));
  if (name == "encrypt_option")
    return ResultText(call, ContextOf(call)->encrypted ? "TRUE" : "FALSE");
  if (name == "net_transport") return ResultText(call, "TCP");
  if (name == "protocol_type") return ResultText(call, "TSQL");
  if (name == "auth_scheme") return ResultText(call, "SQL");
  if (name == "local_net_address" || name == "client_net_address")
    return ResultText(call, "127.0.0.1");
  sqlite3_result_null(call);
}

void ObjectId(sqlite3_context* call, int count, sqlite3_value** args) {
  if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(call);
  std::string name = BareObjectName(ArgText(args[0]));
  std::optional<std::string> type;
  if (count > 1 && sqlite3_value_type(args[1]) != SQLITE_NULL) type = UpperAscii(ArgText(args[1]));
  sqlite3* db = sqlite3_context_db_handle(call);
  Result<std::optional<std::string>> id =
      QueryText(db, "SELECT id FROM sysobjects WHERE name = ?1 AND (?2 IS NULL OR type = trim(?2))",
                {name, type});
  if (!id.ok()) return sqlite3_result_error(call, id.status().message().c_str(), -1);
  if (!id.value()) return sqlite3_result_null(call);
  sqlite3_result_int64(call, std::stoll(*id.value()));
}

void ObjectProperty(sqlite3_context* call, int, sqlite3_value** args) {
  if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(call);
  std::string property = LowerAscii(ArgText(args[1]));
  sqlite3* db = sqlite3_context_db_handle(call);
  Result<std::optional<std::string>> type = QueryText(
      db, "SELECT type FROM sysobjects WHERE id = CAST(?1 AS INTEGER)", {ArgText(args[0])});
  if (!type.ok()) return sqlite3_result_error(call, type.status().message().c_str(), -1);
  if (!type.value()) return sqlite3_result_null(call);
  const std::string& kind = *type.value();
  if (property == "isprocedure") return sqlite3_result_int(call, kind == "P");
  if (property == "isusertable" || property == "istable")
    return sqlite3_result_int(call, kind == "U");
  if (property == "isview") return sqlite3_result_int(call, kind == "V");
  sqlite3_result_null(call);
}

void NewId(sqlite3_context* call, int, sqlite3_value**) {
  std::random_device device;
  std::mt19937_64 generator(device());
  static const char kHex[] = "0123456789ABCDEF";
  std::string id;
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) id += '-';
    id += kHex[generator() % 16];
  }
  ResultText(call, id);
}

bool IsHiddenName(const char* name) {
  return name && sqlite3_strnicmp(name, "standin_", 8) == 0;
}

// User statements never reach the logins or the procedure table directly; the object views
// (which read the procedure table) and the stand-in's own queries may.
int Authorize(void* data, int action, const char* first, const char* second, const char*,
              const char* view) {
  auto* context = static_cast<SessionContext*>(data);
  if (context->catalogAccess || view) return SQLITE_OK;
  const char* table = action == SQLITE_ALTER_TABLE || action == SQLITE_CREATE_INDEX ||
                              action == SQLITE_DROP_INDEX || action == SQLITE_CREATE_TRIGGER ||
                              action == SQLITE_DROP_TRIGGER
                          ? second
                          : first;
  if (!IsHiddenName(table)) return SQLITE_OK;
  context->deniedName = table;
  return SQLITE_DENY;
}

struct FunctionEntry {
  const char* name;
  int arguments;  // -1: any number
  void (*function)(sqlite3_context*, int, sqlite3_value**);
};

}  // namespace

std::string StandinVersionText() {
  return std::string("sqlstandin 1.0 - a stand-in SQL Server for loopback tests (SQLite ") +
         sqlite3_libversion() + ")";
}

std::string BareObjectName(const std::string& written) {
  std::string part;
  bool quoted = false;
  for (char c : written) {
    if (c == '[' && !quoted) {
      quoted = true;
    } else if (c == ']' && quoted) {
      quoted = false;
    } else if (c == '.' && !quoted) {
      part.clear();
    } else if (c != '"') {
      part += c;
    }
  }
  return part;
}

Status PrepareSessionConnection(sqlite3* db, SessionContext* context) {
  static const FunctionEntry kFunctions[] = {
      {"standin_global", 1, GlobalVariable}, {"db_name", -1, DatabaseName},
      {"suser_sname", -1, LoginName},        {"suser_name", -1, LoginName},
      {"user_name", -1, UserName},           {"object_id", -1, ObjectId},
      {"objectproperty", 2, ObjectProperty}, {"newid", 0, NewId}};
  if (sqlite3_create_function_v2(db, "connectionproperty", 1, SQLITE_UTF8, context,
                                 ConnectionProperty, nullptr, nullptr, nullptr) != SQLITE_OK)
    return Status::Error(std::string("Cannot register connectionproperty: ") + sqlite3_errmsg(db));
  for (const FunctionEntry& entry : kFunctions) {
    if (sqlite3_create_function_v2(db, entry.name, entry.arguments, SQLITE_UTF8, context,
                                   entry.function, nullptr, nullptr, nullptr) != SQLITE_OK)
      return Status::Error(std::string("Cannot register ") + entry.name + ": " +
                           sqlite3_errmsg(db));
  }
  Status views = ExecSql(db, kObjectViews);
  if (!views.ok()) return views;
  sqlite3_set_authorizer(db, Authorize, context);
  return Status::Ok();
}

}  // namespace pelvane::standin
