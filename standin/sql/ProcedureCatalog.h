// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>

#include "settings/Status.h"

namespace pelvane::standin {

/// A stored procedure as the catalog keeps it: the text after AS, and how many lines of the
/// creating batch came before that text (messages count lines from the batch's start).
struct StoredProcedure {
  std::string name;
  std::string body;
  int lineOffset = 0;
};

/// The procedures of the database a connection is on, in its standin_procedures table.
/// Every query binds its values.
class ProcedureCatalog {
 public:
  explicit ProcedureCatalog(sqlite3* db) : db_(db) {}

  Result<std::optional<StoredProcedure>> Find(const std::string& name) const;
  /// Whether a table or view (not a procedure) has that name.
  Result<bool> OtherObjectExists(const std::string& name) const;
  Status Create(const StoredProcedure& procedure);
  Status Replace(const StoredProcedure& procedure);
  Status Drop(const std::string& name);

 private:
  sqlite3* db_;
};

}  // namespace pelvane::standin
