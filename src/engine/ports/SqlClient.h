// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "settings/Status.h"

namespace pelvane::engine {

/// "Encrypt": Optional encrypts when the server offers it and checks no certificate (the
/// behaviour before the setting existed); Mandatory always encrypts and the certificate must be
/// valid; Strict is TDS 8.0 (TLS before the first TDS packet).
enum class EncryptMode { kOptional, kMandatory, kStrict };

/// How a connection is encrypted and its server's certificate checked.
struct SqlEncryption {
  EncryptMode mode = EncryptMode::kMandatory;
  /// Mandatory as the default, with no "Encrypt" written: a server that offers no encryption
  /// at all is still reached in clear, as before the setting existed; one that offers it must
  /// show a valid certificate. Written "Mandatory" refuses a server without encryption.
  bool modeWritten = false;
  bool trustServerCertificate = false;  // any certificate, still encrypted
  std::string serverCertificate;        // PEM file of the CA (or the server's own); empty: system
  std::string hostNameInCertificate;    // empty: the server's host name
};

/// Where and as whom to connect. `server` is a SQL Server name, an address, or "host,port".
struct SqlTarget {
  std::string server;
  std::string login;
  std::string password;
  std::string database;  // empty: the login's default database
  SqlEncryption encryption{};
  int browserTimeoutMs = 2000;  // how long a named instance's SQL Browser may take to answer
};

/// One failure reported by the client library, the driver or the server.
struct SqlError {
  std::string sqlState;  // "08S01", "42000", ... (empty when not from ODBC)
  long nativeError = 0;  // the server's message number, or the driver's own number
  std::string message;   // never contains a password
  std::string source;    // what reported it: "ODBC", the driver's name, ...
};

/// The outcomes that the login test tells apart. The kinds after kOtherError carry the
/// sentence the user reads in `LoginCheck::error.message`.
enum class LoginCheckKind {
  kAccepted,
  kUnreachable,
  kLoginRefused,
  kOtherError,
  kCertificateRefused,
  kStrictUnavailable,
  kBrowserSilent,
  kPasswordExpired,
  kPasswordMustChange,
};

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

/// One connection made to ask a server one query: the login's outcome as CheckLogin would
/// classify it, every record of a failure, and the query's table when it ran.
struct ConnectionProbe {
  LoginCheck login;
  std::vector<SqlError> errors;  // the connection's or the query's failure, whole
  QueryResult result;
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

  /// Connects once and runs one query. This one classifies through CheckLogin and RunQuery
  /// (two connections), for clients that cannot do better.
  virtual ConnectionProbe ProbeConnection(const SqlTarget& target, const std::string& text,
                                          int timeoutSeconds) {
    ConnectionProbe probe;
    probe.login = CheckLogin(target);
    if (probe.login.kind != LoginCheckKind::kAccepted) {
      probe.errors.push_back(probe.login.error);
      return probe;
    }
    Result<QueryResult> result = RunQuery(target, text, timeoutSeconds);
    if (result) {
      probe.result = std::move(*result);
    } else {
      SqlError error;
      error.nativeError = result.status().number();
      error.message = result.status().message();
      probe.errors.push_back(error);
    }
    return probe;
  }

  /// Connects to "master" as the login with its old password and calls sp_password. A named
  /// instance's SQL Browser may take browserTimeoutMs to answer, as in SqlTarget.
  virtual PasswordChange ChangePassword(const std::string& server, const std::string& login,
                                        const std::string& oldPassword,
                                        const std::string& newPassword,
                                        const SqlEncryption& encryption, int browserTimeoutMs) = 0;
  /// The same with the default encryption settings and browser time-out.
  PasswordChange ChangePassword(const std::string& server, const std::string& login,
                                const std::string& oldPassword, const std::string& newPassword) {
    return ChangePassword(server, login, oldPassword, newPassword, SqlEncryption{},
                          SqlTarget{}.browserTimeoutMs);
  }
};

}  // namespace pelvane::engine
