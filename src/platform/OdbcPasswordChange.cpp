// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcPasswordChange.h"

#include <sqlext.h>

#include <algorithm>

#include "engine/AlterLogin.h"
#include "engine/PasswordRefusal.h"
#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcOutcomes.h"

namespace pelvane::platform {

namespace {

constexpr long kProcedureNotFound = 2812;

engine::PasswordChange Changed() {
  engine::PasswordChange change;
  change.kind = engine::PasswordChangeKind::kChanged;
  return change;
}

}  // namespace

bool NeedsPasswordChange(const std::vector<engine::SqlError>& errors) {
  return std::any_of(errors.begin(), errors.end(), [](const engine::SqlError& error) {
    return engine::PasswordRefusalKind(error.nativeError).has_value();
  });
}

engine::PasswordChange ChangePasswordAtLogin(const OdbcDriverSettings& driver,
                                             const OdbcConnectRequest& request) {
  OdbcConnection connection(driver, request);
  if (!connection.ok()) return ClassifyPasswordFailure(connection.errors());
  return Changed();
}

bool ProcedureMissing(const std::vector<engine::SqlError>& errors) {
  return std::any_of(errors.begin(), errors.end(), [](const engine::SqlError& error) {
    return error.nativeError == kProcedureNotFound;
  });
}

engine::PasswordChange ChangePasswordByAlterLogin(const OdbcConnection& connection,
                                                  const std::string& login,
                                                  const std::string& oldPassword,
                                                  const std::string& newPassword) {
  StatementHandle statement;
  std::vector<engine::SqlError> errors;
  if (!connection.NewStatement(statement, errors)) return ClassifyPasswordFailure(errors);
  std::string text = engine::AlterLoginStatement(login, oldPassword, newPassword);
  SQLRETURN rc = SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(text.data()),
                               static_cast<SQLINTEGER>(text.size()));
  while (SQL_SUCCEEDED(rc)) rc = SQLMoreResults(statement.get());
  if (rc != SQL_NO_DATA)
    return ClassifyPasswordFailure(connection.Diagnostics(SQL_HANDLE_STMT, statement.get()));
  return Changed();
}

}  // namespace pelvane::platform
