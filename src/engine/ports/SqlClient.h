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
  std::string database;  // empty: the login's default database
};

/// One failure reported by the client library, the driver or the server.
struct SqlError {
  std::string sqlState;  // "08S01", "42000", ... (empty when not from ODBC)
  long nativeError = 0;  // the server's message number, or the driver's own number
  std::string message;   // never contains a password
  std::string source;    // what reported it: "ODBC", the driver's name, ...
};

/// The three outcomes that the login test tells apart.
enum class LoginCheckKind { kAccepted, kUnreachable, kLoginRefused, kOtherError };

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

  /// Connects to "master" as the login with its old password and calls sp_password.
  virtual PasswordChange ChangePassword(const std::string& server, const std::string& login,
                                        const std::string& oldPassword,
                                        const std::string& newPassword) = 0;
};

}  // namespace pelvane::engine
