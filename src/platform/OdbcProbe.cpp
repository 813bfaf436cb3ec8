// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcProbe.h"

#include <sqlext.h>

#include <algorithm>
#include <chrono>

#include "engine/PasswordRefusal.h"
#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcOutcomes.h"
#include "platform/OdbcResultReader.h"
#include "platform/UnreachableDiagnosis.h"
#include "settings/ProfileText.h"

namespace pelvane::platform {

namespace {

constexpr long kLoginFailedNumber = 18456;

engine::ConnectionProbe Failed(engine::LoginCheck login) {
  engine::ConnectionProbe probe;
  probe.errors = {login.error};
  probe.login = std::move(login);
  return probe;
}

}  // namespace

engine::LoginCheck ExplainLoginFailure(const std::vector<engine::SqlError>& errors,
                                       const engine::SqlTarget& target) {
  engine::LoginCheck check = ClassifyLoginFailure(errors);
  std::string sentence = engine::PasswordRefusalText(
      check.kind, target.login, std::string(settings::TrimBlanks(target.server)));
  if (!sentence.empty()) check.error.message = sentence;
  return check;
}

engine::ConnectionProbe ProbeOverOdbc(const OdbcProbeSettings& settings,
                                      const engine::SqlTarget& target, const std::string& text,
                                      int timeoutSeconds, const std::string& serverKey,
                                      const std::string& serverValue) {
  if (target.login.empty())
    return Failed({engine::LoginCheckKind::kLoginRefused,
                   MakeSqlError("28000", kLoginFailedNumber, "Login failed for user ''.")});
  OdbcConnectionString attributes(settings.braceEscaping);
  attributes.Add(serverKey, serverValue);
  if (!target.database.empty()) attributes.Add("DATABASE", target.database);
  attributes.Add("UID", target.login).Add("PWD", target.password);
  if (!attributes.unwritableKey().empty())
    return Failed({engine::LoginCheckKind::kOtherError,
                   MakeSqlError("", 0,
                                "The " + attributes.unwritableKey() +
                                    " value cannot be written into a connection string.")});
  OdbcConnectRequest request;
  request.attributes = attributes.text();
  request.loginTimeoutSeconds = settings.loginTimeoutSeconds;
  request.connectionTimeoutSeconds = timeoutSeconds;
  request.secrets = {target.password};
  OdbcConnection connection(settings.driver, request);

  engine::ConnectionProbe probe;
  if (!connection.ok()) {
    probe.errors = connection.errors();
    probe.login = ExplainLoginFailure(probe.errors, target);
    if (probe.login.kind == engine::LoginCheckKind::kUnreachable) {
      // The driver says the same for every way of not getting there; find out which.
      std::optional<engine::SqlError> why = DiagnoseUnreachable(
          target.server, std::chrono::seconds(std::max(1, settings.loginTimeoutSeconds)));
      if (why) {
        probe.errors.insert(probe.errors.begin(), *why);
        probe.login.error = *why;
      }
    }
    return probe;
  }
  probe.login.kind = engine::LoginCheckKind::kAccepted;

  StatementHandle statement;
  if (!connection.NewStatement(statement, probe.errors)) return probe;
  SQLULEN commandTimeout = timeoutSeconds < 0 ? 0 : static_cast<SQLULEN>(timeoutSeconds);
  SQLSetStmtAttr(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                 reinterpret_cast<SQLPOINTER>(commandTimeout), 0);
  std::string command = text;
  SQLRETURN rc = SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(command.data()),
                               static_cast<SQLINTEGER>(command.size()));
  if (rc == SQL_NO_DATA) return probe;
  if (!SQL_SUCCEEDED(rc)) {
    probe.errors = connection.Diagnostics(SQL_HANDLE_STMT, statement.get());
    if (probe.errors.empty())
      probe.errors.push_back(MakeSqlError("", 0, "The query failed without a reason."));
    return probe;
  }
  ReadResultTable(connection, statement.get(), probe.result, probe.errors);
  return probe;
}

}  // namespace pelvane::platform
