// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/ProcedureCatalog.h"

#include "standin/sql/SqliteDb.h"

namespace pelvane::standin {

Result<std::optional<StoredProcedure>> ProcedureCatalog::Find(const std::string& name) const {
  Result<StatementHandle> query = PrepareBound(
      db_, "SELECT name, body, line_offset FROM standin_procedures WHERE name = ?1", {name});
  if (!query.ok()) return query.status();
  sqlite3_stmt* statement = query->get();
  int rc = sqlite3_step(statement);
  if (rc == SQLITE_DONE) return std::optional<StoredProcedure>();
  if (rc != SQLITE_ROW) return Status::Error(sqlite3_errmsg(db_), rc);
  StoredProcedure found;
  found.name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  found.body = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
  found.lineOffset = sqlite3_column_int(statement, 2);
  return std::optional<StoredProcedure>(found);
}

Result<bool> ProcedureCatalog::OtherObjectExists(const std::string& name) const {
  Result<std::optional<std::string>> found =
      QueryText(db_, "SELECT 1 FROM sysobjects WHERE name = ?1 AND type <> 'P'", {name});
  if (!found.ok()) return found.status();
  return found.value().has_value();
}

Status ProcedureCatalog::Create(const StoredProcedure& procedure) {
  Result<StatementHandle> insert = PrepareBound(
      db_, "INSERT INTO standin_procedures(name, body, line_offset) VALUES(?1, ?2, ?3)",
      {procedure.name, procedure.body, std::to_string(procedure.lineOffset)});
  if (!insert.ok()) return insert.status();
  return StepToEnd(db_, insert->get());
}

Status ProcedureCatalog::Replace(const StoredProcedure& procedure) {
  Result<StatementHandle> update =
      PrepareBound(db_, "UPDATE standin_procedures SET body = ?2, line_offset = ?3 WHERE name = ?1",
                   {procedure.name, procedure.body, std::to_string(procedure.lineOffset)});
  if (!update.ok()) return update.status();
  return StepToEnd(db_, update->get());
}

Status ProcedureCatalog::Drop(const std::string& name) {
  Result<StatementHandle> remove =
      PrepareBound(db_, "DELETE FROM standin_procedures WHERE name = ?1", {name});
  if (!remove.ok()) return remove.status();
  return StepToEnd(db_, remove->get());
}

}  // namespace pelvane::standin
