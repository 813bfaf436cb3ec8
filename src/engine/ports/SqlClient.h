// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/Status.h"

namespace pelvane::engine {

/// Where and as whom to connect. `server` is a SQL Server name, an address, or "host,port".
struct SqlTarget {
  std::string server;
  std::string login;
  std::string password;
  std::string database;         // empty: the login's default database
  int browserTimeoutMs = 2000;  // how long a named instance's SQL Browser may take to answer
};

/// One failure reported by the client library, the driver or the server.
struct SqlError {
  std::string sqlState;  // "08S01", "42000", ... (empty when not from ODBC)
  long nativeError = 0;  // the server's message number, or the driver's own number
  std::string message;   // never contains a password
  std::string source;    // what reported it: "ODBC", the driver's name, ...
};

/// The outcomes that the login test tells apart. kBrowserSilent: no SQL Browser answered for
/// a named instance (error.message says which).
enum class LoginCheckKind { kAccepted, kUnreachable, kLoginRefused, kOtherError, kBrowserSilent };

struct LoginCheck {
  LoginCheckKind kind = LoginCheckKind::kOtherError;
  SqlError error;  // for every kind but kAccepted
};

/// A text command's outcome: a result table, or none (an update, a DDL statement).
struct QueryResult {
  bool hasResultSet = false;
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;  // values as text, NULL as empty
};

/// Where a query's result table goes as it arrives, on the caller's thread.
class QueryRowSink {
 public:
  virtual ~QueryRowSink() = default;
  /// The table's column names, once, before its rows; not called without a result table.
  virtual void Columns(const std::vector<std::string>& names) = 0;
  /// One row, values as text (NULL as empty), in the order of the columns.
  virtual void Row(const std::vector<std::string>& values) = 0;
};

/// The classes of a password change's outcome.
enum class PasswordChangeKind {
  kChanged,          // the procedure returned 0
  kNotChanged,       // the procedure returned another value
  kRefusedByServer,  // the driver or the server reported an error (login failed, unreachable, ...)
  kOtherFailure,     // anything else (no driver, out of memory, ...)
};

struct PasswordChange {
  PasswordChangeKind kind = PasswordChangeKind::kOtherFailure;
  int returnValue = 0;
  SqlError error;  // for the two failure kinds
};

/// SQL Server as the engine sees it. Implementations are safe to use from one thread at a time.
class SqlClient {
 public:
  virtual ~SqlClient() = default;

  /// Opens and closes a connection with the login and password; the database plays no part.
  virtual LoginCheck CheckLogin(const SqlTarget& target) = 0;

  /// Sends text as one command (connection and command time-outs in seconds) and reads back
  /// the first result table.
  virtual Result<QueryResult> RunQuery(const SqlTarget& target, const std::string& text,
                                       int timeoutSeconds) = 0;

  /// RunQuery's table handed to sink row by row as it arrives, so that a large result is
  /// never held whole. A failure after some rows ends it with those rows given. This one
  /// reads the whole table first.
  virtual Status StreamQuery(const SqlTarget& target, const std::string& text, int timeoutSeconds,
                             QueryRowSink& sink) {
    Result<QueryResult> result = RunQuery(target, text, timeoutSeconds);
    if (!result) return result.status();
    if (!result->hasResultSet) return Status::Ok();
    sink.Columns(result->columns);
    for (const std::vector<std::string>& row : result->rows) sink.Row(row);
    return Status::Ok();
  }

  /// Connects to "master" as the login with its old password and calls sp_password.
  virtual PasswordChange ChangePassword(const std::string& server, const std::string& login,
                                        const std::string& oldPassword,
                                        const std::string& newPassword) = 0;
};

}  // namespace pelvane::engine
