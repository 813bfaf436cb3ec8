// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "standin/sql/ServerStore.h"
#include "standin/sql/SessionFunctions.h"
#include "standin/sql/SqliteDb.h"

namespace pelvane::standin {

/// Everything one client connection carries between batches.
struct SessionState {
  std::shared_ptr<ServerStore> server;
  SessionContext context;   // read by the connection's functions: declared before it
  SqliteHandle connection;  // to context.database; null when opening it failed
  std::string connectionProblem;
  bool nocount = false;
};

/// Opens the session's connection to a database (its canonical name) and makes it current.
Status SwitchDatabase(SessionState& session, const std::string& canonicalName);

}  // namespace pelvane::standin
