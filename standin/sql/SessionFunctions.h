// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "settings/Status.h"

namespace pelvane::standin {

/// What the T-SQL functions registered on a session's connection read: @@SERVERNAME,
/// DB_NAME(), @@ROWCOUNT and the like. Owned by the session; outlives its connection.
struct SessionContext {
  std::string serverName;
  std::string login;
  std::string database;
  int64_t rowCount = 0;
  int32_t lastError = 0;
  bool catalogAccess = false;  // the stand-in's own tables are open only to the stand-in
  std::string deniedName;      // the hidden table a user statement reached for
  bool encrypted = false;      // whether the client's connection is encrypted
};

/// Lets catalogAccess be true for one scope.
class CatalogAccess {
 public:
  explicit CatalogAccess(SessionContext& context) : context_(context) {
    context_.catalogAccess = true;
  }
  ~CatalogAccess() { context_.catalogAccess = false; }
  CatalogAccess(const CatalogAccess&) = delete;
  CatalogAccess& operator=(const CatalogAccess&) = delete;

 private:
  SessionContext& context_;
};

/// The text @@VERSION returns.
std::string StandinVersionText();

/// Registers the T-SQL functions and creates the temporary views sysobjects, sys_objects,
/// sys_procedures, sys_tables, information_schema_tables and information_schema_routines on
/// one connection.
Status PrepareSessionConnection(sqlite3* db, SessionContext* context);

/// Reduces "[dbo].[name]", "dbo.name" or "db..name" to "name".
std::string BareObjectName(const std::string& written);

}  // namespace pelvane::standin
