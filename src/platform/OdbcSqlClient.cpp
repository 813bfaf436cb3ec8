#include "platform/OdbcSqlClient.h"

#include <sqlext.h>

#include <utility>

#include "platform/OdbcConnection.h"
#include "platform/OdbcConnectionString.h"
#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcDriverChoice.h"
#include "platform/OdbcOutcomes.h"
#include "platform/OdbcResultReader.h"
#include "settings/ProfileText.h"

namespace pelvane::platform {

namespace {

constexpr const char* kPasswordCall = "{ ? = call sp_password(?,?,?) }";

Status ErrorStatus(const std::vector<engine::SqlError>& errors) {
  int number = errors.empty() ? 0 : static_cast<int>(errors.front().nativeError);
  return Status::Error(DescribeSqlErrors(errors), number);
}

// Binds a text as an input parameter; `length` must outlive the execution.
SQLRETURN BindText(SQLHANDLE statement, SQLUSMALLINT number, const std::string& text,
                   SQLLEN& length) {
  length = static_cast<SQLLEN>(text.size());
  // A column size of 0 is invalid even for an empty text.
  SQLULEN size = text.empty() ? 1 : text.size();
  return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, size, 0,
                          const_cast<char*>(text.data()), length, &length);
}

engine::SqlError UnwritableValue(const std::string& key) {
  return MakeSqlError("", 0,
                      "The " + key +
                          " value holds \"};\", which this ODBC driver cannot read back from a "
                          "connection string.");
}

}  // namespace

OdbcSqlClient::OdbcSqlClient() : OdbcSqlClient(Options{}) {}

OdbcSqlClient::OdbcSqlClient(Options options) : options_(std::move(options)) {
  if (options_.fallbackLibraries.empty()) options_.fallbackLibraries = FreeTdsDriverLibraries();
}

engine::LoginCheck OdbcSqlClient::CheckLogin(const engine::SqlTarget& target) {
  OdbcConnectionString attributes(options_.braceEscaping);
  attributes.Add("SERVER", std::string(settings::TrimBlanks(target.server)))
      .Add("UID", target.login)
      .Add("PWD", target.password);
  if (!attributes.unwritableKey().empty())
    return {engine::LoginCheckKind::kOtherError, UnwritableValue(attributes.unwritableKey())};
  OdbcConnectRequest request;
  request.attributes = attributes.text();
  request.loginTimeoutSeconds = options_.connectTimeoutSeconds;
  request.connectionTimeoutSeconds = options_.connectTimeoutSeconds;
  request.secrets = {target.password};
  OdbcConnection connection({options_.driverName, options_.fallbackLibraries}, request);
  if (connection.ok()) return {engine::LoginCheckKind::kAccepted, {}};
  return ClassifyLoginFailure(connection.errors());
}

Result<engine::QueryResult> OdbcSqlClient::RunQuery(const engine::SqlTarget& target,
                                                    const std::string& text, int timeoutSeconds) {
  OdbcConnectionString attributes(options_.braceEscaping);
  attributes.Add("SERVER", std::string(settings::TrimBlanks(target.server)));
  if (!target.database.empty()) attributes.Add("DATABASE", target.database);
  attributes.Add("UID", target.login).Add("PWD", target.password);
  if (!attributes.unwritableKey().empty())
    return ErrorStatus({UnwritableValue(attributes.unwritableKey())});
  OdbcConnectRequest request;
  request.attributes = attributes.text();
  request.loginTimeoutSeconds = timeoutSeconds;
  request.connectionTimeoutSeconds = timeoutSeconds;
  request.secrets = {target.password};
  OdbcConnection connection({options_.driverName, options_.fallbackLibraries}, request);
  if (!connection.ok()) return ErrorStatus(connection.errors());

  StatementHandle statement;
  std::vector<engine::SqlError> errors;
  if (!connection.NewStatement(statement, errors)) return ErrorStatus(errors);
  SQLULEN commandTimeout = timeoutSeconds < 0 ? 0 : static_cast<SQLULEN>(timeoutSeconds);
  if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                                    reinterpret_cast<SQLPOINTER>(commandTimeout), 0)))
    return ErrorStatus(connection.Diagnostics(SQL_HANDLE_STMT, statement.get()));
  std::string command = text;
  SQLRETURN rc = SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(command.data()),
                               static_cast<SQLINTEGER>(command.size()));
  if (rc == SQL_NO_DATA) return engine::QueryResult{};
  if (!SQL_SUCCEEDED(rc)) {
    errors = connection.Diagnostics(SQL_HANDLE_STMT, statement.get());
    if (errors.empty())
      errors.push_back(MakeSqlError("", 0, "The command failed without a reason."));
    return ErrorStatus(errors);
  }
  engine::QueryResult result;
  if (!ReadResultTable(connection, statement.get(), result, errors)) return ErrorStatus(errors);
  return result;
}

engine::PasswordChange OdbcSqlClient::ChangePassword(const std::string& server,
                                                     const std::string& login,
                                                     const std::string& oldPassword,
                                                     const std::string& newPassword) {
  OdbcConnectionString attributes(options_.braceEscaping);
  attributes.Add("Server", std::string(settings::TrimBlanks(server)))
      .Add("Database", "master")
      .Add("Uid", std::string(settings::TrimBlanks(login)))
      .Add("Pwd", oldPassword);
  if (!attributes.unwritableKey().empty())
    return ClassifyPasswordFailure({UnwritableValue(attributes.unwritableKey())});
  OdbcConnectRequest request;
  request.driverKeyword = "Driver";
  request.attributes = attributes.text();
  request.loginTimeoutSeconds = options_.connectTimeoutSeconds;
  request.connectionTimeoutSeconds = options_.connectTimeoutSeconds;
  request.secrets = {oldPassword, newPassword};
  OdbcConnection connection({options_.driverName, options_.fallbackLibraries}, request);
  if (!connection.ok()) return ClassifyPasswordFailure(connection.errors());

  StatementHandle statement;
  std::vector<engine::SqlError> errors;
  if (!connection.NewStatement(statement, errors)) return ClassifyPasswordFailure(errors);
  auto statementFailure = [&]() {
    return ClassifyPasswordFailure(connection.Diagnostics(SQL_HANDLE_STMT, statement.get()));
  };

  std::string call = kPasswordCall;
  if (!SQL_SUCCEEDED(SQLPrepare(statement.get(), reinterpret_cast<SQLCHAR*>(call.data()), SQL_NTS)))
    return statementFailure();
  SQLINTEGER returnValue = 0;
  SQLLEN returnIndicator = SQL_NULL_DATA;
  SQLLEN oldLength = 0;
  SQLLEN newLength = 0;
  SQLLEN loginLength = 0;
  if (!SQL_SUCCEEDED(SQLBindParameter(statement.get(), 1, SQL_PARAM_OUTPUT, SQL_C_SLONG,
                                      SQL_INTEGER, 0, 0, &returnValue, 0, &returnIndicator)) ||
      !SQL_SUCCEEDED(BindText(statement.get(), 2, oldPassword, oldLength)) ||
      !SQL_SUCCEEDED(BindText(statement.get(), 3, newPassword, newLength)) ||
      !SQL_SUCCEEDED(BindText(statement.get(), 4, login, loginLength))) {
    return statementFailure();
  }

  SQLRETURN rc = SQLExecute(statement.get());
  // The return value is only complete once every result of the call has been passed.
  while (SQL_SUCCEEDED(rc)) rc = SQLMoreResults(statement.get());
  if (rc != SQL_NO_DATA) {
    engine::PasswordChange failure = statementFailure();
    if (returnIndicator != SQL_NULL_DATA) failure.returnValue = returnValue;
    return failure;
  }
  engine::PasswordChange change;
  // Without a return value the change cannot be taken as done.
  bool changed = returnIndicator != SQL_NULL_DATA && returnValue == 0;
  change.kind =
      changed ? engine::PasswordChangeKind::kChanged : engine::PasswordChangeKind::kNotChanged;
  change.returnValue = returnIndicator != SQL_NULL_DATA ? returnValue : 0;
  return change;
}

}  // namespace pelvane::platform
