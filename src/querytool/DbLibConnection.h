// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sybdb.h>

#include <memory>
#include <string>

#include "querytool/RunReport.h"
#include "settings/Status.h"

namespace pelvane::querytool {

/// db-lib for the life of the object: dbinit and the message and error handlers, then dbexit.
/// One per process, created before any connection and kept until every connection is closed.
class DbLibrary {
 public:
  /// queryTimeoutSeconds: how long a batch may wait for the server; 0 waits forever.
  explicit DbLibrary(int queryTimeoutSeconds = 0);
  ~DbLibrary();
  DbLibrary(const DbLibrary&) = delete;
  DbLibrary& operator=(const DbLibrary&) = delete;

  const Status& status() const { return status_; }

 private:
  Status status_;
};

/// What a connection needs; the server in db-lib's "host:port" form.
struct ConnectRequest {
  std::string server;
  std::string login;
  std::string password;
  std::string database;  ///< empty: the login's default
  std::string application = "isqlw";
  int loginTimeoutSeconds = 15;  ///< for the connect and each wait during the login
};

/// One open connection (DBPROCESS), closed on destruction. Its messages and errors go to the
/// RunReport given to Open, which must outlive the connection.
class DbConnection {
 public:
  /// Logs in. On failure the server's messages are already in the report and the Status holds
  /// db-lib's reasons, separated by "; ".
  static Result<DbConnection> Open(const ConnectRequest& request, RunReport& report);

  DBPROCESS* get() const { return process_.get(); }
  /// True once the connection to the server has been lost.
  bool dead() const;

 private:
  struct Closer {
    void operator()(DBPROCESS* process) const { dbclose(process); }
  };
  explicit DbConnection(DBPROCESS* process) : process_(process) {}

  std::unique_ptr<DBPROCESS, Closer> process_;
};

}  // namespace pelvane::querytool
