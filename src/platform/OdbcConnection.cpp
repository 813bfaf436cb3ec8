// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcConnection.h"

#include <sqlext.h>

#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcDriverChoice.h"

namespace pelvane::platform {

namespace {

// With SERVER= FreeTDS reads no freetds.conf. Without a fixed version it retries a timed-out
// login as TDS 5.0, and that second attempt ignores the login time-out: a server that accepts
// and never answers would hang the caller. 7.4 is the version current servers speak.
// The client character set makes 8-bit text (logins, passwords, values) travel as UTF-8.
constexpr const char* kFreeTdsAttributes = "TDS_Version=7.4;ClientCharset=UTF-8;";

std::vector<std::string> RegisteredDrivers(SQLHANDLE environment) {
  std::vector<std::string> names;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLCHAR name[256] = {};
    SQLCHAR attributes[1024] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLRETURN rc = SQLDrivers(environment, direction, name, sizeof name, &nameLength, attributes,
                              sizeof attributes, &attributesLength);
    if (!SQL_SUCCEEDED(rc)) break;
    names.emplace_back(reinterpret_cast<const char*>(name));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

// SQL_COPT_SS_OLDPWD: the login sends this as the password and PWD as the new one.
constexpr SQLINTEGER kOldPasswordAttribute = 1226;

SQLPOINTER IntegerAttribute(int value) {
  return reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(value < 0 ? 0 : value));
}

}  // namespace

OdbcConnection::OdbcConnection(const OdbcDriverSettings& driver, const OdbcConnectRequest& request)
    : secrets_(request.secrets) {
  if (!SQL_SUCCEEDED(environment_.Allocate(nullptr))) {
    errors_.push_back(MakeSqlError("", 0, "The ODBC environment could not be created."));
    return;
  }
  if (!SQL_SUCCEEDED(SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION,
                                   reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
    Fail(SQL_HANDLE_ENV, environment_.get(), "The ODBC environment refused version 3.");
    return;
  }
  OdbcDriverChoice choice = ChooseOdbcDriver(RegisteredDrivers(environment_.get()), driver.name,
                                             driver.fallbackLibraries);
  driverNote_ = choice.note;
  if (choice.driver.empty()) {
    errors_.push_back(MakeSqlError("", 0, choice.note));
    return;
  }
  if (!SQL_SUCCEEDED(connection_.Allocate(environment_.get()))) {
    Fail(SQL_HANDLE_ENV, environment_.get(), "The ODBC connection could not be created.");
    return;
  }
  // Without a login time-out the driver waits for a silent server forever.
  if (!SQL_SUCCEEDED(SQLSetConnectAttr(connection_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                                       IntegerAttribute(request.loginTimeoutSeconds), 0)) ||
      !SQL_SUCCEEDED(SQLSetConnectAttr(connection_.get(), SQL_ATTR_CONNECTION_TIMEOUT,
                                       IntegerAttribute(request.connectionTimeoutSeconds), 0))) {
    Fail(SQL_HANDLE_DBC, connection_.get(), "The connection time-outs could not be set.");
    return;
  }

  if (!request.oldPassword.empty() &&
      !SQL_SUCCEEDED(SQLSetConnectAttr(connection_.get(), kOldPasswordAttribute,
                                       const_cast<char*>(request.oldPassword.c_str()), SQL_NTS))) {
    Fail(SQL_HANDLE_DBC, connection_.get(), "The driver cannot change a password at login.");
    return;
  }

  std::string text =
      request.driverKeyword + "={" + choice.driver + "};" + request.attributes + kFreeTdsAttributes;
  SQLRETURN rc =
      SQLDriverConnect(connection_.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                       nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    Fail(SQL_HANDLE_DBC, connection_.get(), "The connection failed without a reason.");
    return;
  }
  connection_.MarkConnected();
}

bool OdbcConnection::NewStatement(StatementHandle& statement,
                                  std::vector<engine::SqlError>& errors) const {
  if (SQL_SUCCEEDED(statement.Allocate(connection_.get()))) return true;
  errors = Diagnostics(SQL_HANDLE_DBC, connection_.get());
  if (errors.empty()) errors.push_back(MakeSqlError("", 0, "No ODBC statement could be created."));
  return false;
}

std::vector<engine::SqlError> OdbcConnection::Diagnostics(SQLSMALLINT handleType,
                                                          SQLHANDLE handle) const {
  std::vector<engine::SqlError> errors = ReadDiagnostics(handleType, handle, secrets_);
  if (!driverNote_.empty()) {
    for (engine::SqlError& error : errors) error.message += " (" + driverNote_ + ")";
  }
  return errors;
}

void OdbcConnection::Fail(SQLSMALLINT handleType, SQLHANDLE handle,
                          const std::string& fallbackMessage) {
  errors_ = Diagnostics(handleType, handle);
  if (errors_.empty()) {
    errors_.push_back(MakeSqlError("", 0, fallbackMessage));
    if (!driverNote_.empty()) errors_.back().message += " (" + driverNote_ + ")";
  }
}

}  // namespace pelvane::platform
