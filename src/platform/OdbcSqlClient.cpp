// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcSqlClient.h"

#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "freetds/EncryptionChecks.h"
#include "freetds/TdsServerName.h"
#include "platform/AbandonableCall.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcConnectionString.h"
#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcDriverChoice.h"
#include "platform/OdbcFreeTdsConfig.h"
#include "platform/OdbcOutcomes.h"
#include "platform/OdbcPasswordChange.h"
#include "platform/OdbcProbe.h"
#include "platform/OdbcResultReader.h"
#include "platform/OdbcServerName.h"
#include "settings/ProfileText.h"

namespace pelvane::platform {

namespace {

constexpr long kLoginFailedNumber = 18456;
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

// A call that the driver's own time-outs should have ended gets this much longer before it is
// given up, so that the driver's reason is the one reported whenever it has one.
constexpr std::chrono::seconds kGrace(2);

/// The whole call's limit for a driver time-out in seconds (0: none, as ODBC reads it).
std::chrono::milliseconds Limit(int seconds) {
  if (seconds <= 0) return std::chrono::hours(24 * 365);
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::seconds(seconds) +
                                                               kGrace);
}

constexpr char kInterrupted[] = "The run was interrupted.";

engine::SqlError Interrupted() {
  return MakeSqlError("", 0, kInterrupted);
}

/// A call that ended on something other than the driver's word (no memory left).
engine::SqlError NoReason() {
  return MakeSqlError("", 0, "The call failed without a reason.");
}

// How long our own look at a server's certificate may take after FreeTDS gave up on it.
constexpr std::chrono::seconds kCertificateLookLimit(5);

/// Where a connection goes: a section of the private FreeTDS configuration, which carries the
/// server's encryption settings, and the server taken apart for our own checks.
struct OdbcServer {
  std::string listed;  // as the user wrote it, for messages
  std::optional<freetds::TdsServerName> address;
  std::string section;  // empty: SERVER= the name as written, for FreeTDS to make sense of
};

/// `resolved` is the server after its SQL Browser was asked, so the section holds a named
/// instance's port and FreeTDS never runs its own, much longer, browser loop; `server` as
/// listed stays for messages.
Result<OdbcServer> PrepareServer(const std::string& server, const ResolvedServer& resolved,
                                 const engine::SqlEncryption& encryption) {
  OdbcServer where{std::string(settings::TrimBlanks(server)), std::nullopt, ""};
  // A name we cannot take apart goes to FreeTDS as it stands, which reports it in its words.
  Result<freetds::TdsServerName> address = freetds::ParseTdsServerName(resolved.value);
  if (!address) return where;
  where.address = *address;
  Result<std::string> section = OdbcFreeTdsSection(*address, encryption, where.listed);
  if (!section) return section.status();
  where.section = *section;
  return where;
}

void AddServer(OdbcConnectionString& attributes, const OdbcServer& where) {
  if (where.section.empty())
    attributes.Add("SERVER", where.listed);
  else
    attributes.Add("SERVERNAME", where.section);
}

std::optional<engine::LoginCheck> CheckBefore(const OdbcServer& where,
                                              const engine::SqlEncryption& encryption,
                                              int timeoutSeconds) {
  if (!where.address) return std::nullopt;
  return freetds::CheckBeforeConnecting(
      where.listed, *where.address, encryption,
      std::chrono::seconds(timeoutSeconds > 0 ? timeoutSeconds : 15));
}

/// Our own reason for a failed connection, when the certificate was its cause.
std::optional<engine::LoginCheck> ExplainFailure(const OdbcServer& where,
                                                 const engine::SqlEncryption& encryption,
                                                 const std::vector<engine::SqlError>& errors) {
  if (!where.address) return std::nullopt;
  // A server that answered, or kept silent, was not stopped by its certificate.
  for (const engine::SqlError& error : errors)
    if (error.sqlState == "HYT00" || error.nativeError == kLoginFailedNumber) return std::nullopt;
  return freetds::ExplainFailedConnection(where.listed, *where.address, encryption,
                                          kCertificateLookLimit);
}

Status CheckStatus(const engine::LoginCheck& check) {
  return ErrorStatus({check.error});
}

engine::LoginCheck CheckLoginNow(const OdbcSqlClient::Options& options,
                                 const engine::SqlTarget& target) {
  // A server refuses a SQL login without a name; FreeTDS refuses it before connecting, in
  // words that read as an unreachable server.
  if (target.login.empty())
    return {engine::LoginCheckKind::kLoginRefused,
            MakeSqlError("28000", kLoginFailedNumber, "Login failed for user ''.")};
  const ResolvedServer resolved = ResolveServer(target.server, target.browserTimeoutMs);
  if (!resolved.ok) return resolved.failure;
  Result<OdbcServer> where = PrepareServer(target.server, resolved, target.encryption);
  if (!where)
    return {engine::LoginCheckKind::kOtherError, MakeSqlError("", 0, where.status().message())};
  if (auto stop = CheckBefore(*where, target.encryption, options.connectTimeoutSeconds))
    return *stop;
  OdbcConnectionString attributes(options.braceEscaping);
  AddServer(attributes, *where);
  attributes.Add("UID", target.login).Add("PWD", target.password);
  if (!attributes.unwritableKey().empty())
    return {engine::LoginCheckKind::kOtherError, UnwritableValue(attributes.unwritableKey())};
  OdbcConnectRequest request;
  request.attributes = attributes.text();
  request.loginTimeoutSeconds = options.connectTimeoutSeconds;
  request.connectionTimeoutSeconds = options.connectTimeoutSeconds;
  request.secrets = {target.password};
  OdbcConnection connection({options.driverName, options.fallbackLibraries}, request);
  if (connection.ok()) return {engine::LoginCheckKind::kAccepted, {}};
  if (auto why = ExplainFailure(*where, target.encryption, connection.errors())) return *why;
  return ExplainLoginFailure(connection.errors(), target);
}

Status QueryNow(const OdbcSqlClient::Options& options, const engine::SqlTarget& target,
                const std::string& text, int timeoutSeconds, const ResultHandler& handler) {
  const ResolvedServer resolved = ResolveServer(target.server, target.browserTimeoutMs);
  if (!resolved.ok) return CheckStatus(resolved.failure);
  Result<OdbcServer> where = PrepareServer(target.server, resolved, target.encryption);
  if (!where) return where.status();
  if (auto stop = CheckBefore(*where, target.encryption, timeoutSeconds)) return CheckStatus(*stop);
  OdbcConnectionString attributes(options.braceEscaping);
  AddServer(attributes, *where);
  if (!target.database.empty()) attributes.Add("DATABASE", target.database);
  attributes.Add("UID", target.login).Add("PWD", target.password);
  if (!attributes.unwritableKey().empty())
    return ErrorStatus({UnwritableValue(attributes.unwritableKey())});
  OdbcConnectRequest request;
  request.attributes = attributes.text();
  request.loginTimeoutSeconds = timeoutSeconds;
  request.connectionTimeoutSeconds = timeoutSeconds;
  request.secrets = {target.password};
  OdbcConnection connection({options.driverName, options.fallbackLibraries}, request);
  if (!connection.ok()) {
    if (auto why = ExplainFailure(*where, target.encryption, connection.errors()))
      return CheckStatus(*why);
    return ErrorStatus(connection.errors());
  }

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
  if (rc == SQL_NO_DATA) return Status::Ok();
  if (!SQL_SUCCEEDED(rc)) {
    errors = connection.Diagnostics(SQL_HANDLE_STMT, statement.get());
    if (errors.empty())
      errors.push_back(MakeSqlError("", 0, "The command failed without a reason."));
    return ErrorStatus(errors);
  }
  if (!ReadResultTable(connection, statement.get(), handler, errors)) return ErrorStatus(errors);
  return Status::Ok();
}

Result<engine::QueryResult> RunQueryNow(const OdbcSqlClient::Options& options,
                                        const engine::SqlTarget& target, const std::string& text,
                                        int timeoutSeconds) {
  engine::QueryResult result;
  ResultHandler keep{[&result](const std::vector<std::string>& names) {
                       result.hasResultSet = true;
                       result.columns = names;
                     },
                     [&result](std::vector<std::string>&& values) {
                       result.rows.push_back(std::move(values));
                       return true;
                     }};
  if (Status done = QueryNow(options, target, text, timeoutSeconds, keep); !done) return done;
  return result;
}

/// Rows on their way from the thread that reads them to the caller that hands them on. The
/// reader waits while the queue is full, so a large result is never held whole; once the
/// caller gives up, the reader stops.
struct RowChannel {
  static constexpr size_t kQueuedRows = 512;
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<std::vector<std::string>> columns;
  std::deque<std::vector<std::string>> rows;
  bool finished = false;
  Status status = Status::Ok();
  bool abandoned = false;
};

}  // namespace

OdbcSqlClient::OdbcSqlClient() : OdbcSqlClient(Options{}) {}

OdbcSqlClient::OdbcSqlClient(Options options) : options_(std::move(options)) {
  if (options_.fallbackLibraries.empty()) options_.fallbackLibraries = FreeTdsDriverLibraries();
  // FREETDSCONF is set here, on the thread that makes the client, before any connection; a
  // failure is reported by each connection that needs the file.
  (void)PrepareOdbcFreeTdsConfig();
}

engine::LoginCheck OdbcSqlClient::CheckLogin(const engine::SqlTarget& target) {
  const Options options = options_;
  CallOutcome<engine::LoginCheck> call =
      CallWithin<engine::LoginCheck>([options, target] { return CheckLoginNow(options, target); },
                                     Limit(options.connectTimeoutSeconds), options.interrupted);
  switch (call.end) {
    case CallEnd::kReturned:
      if (call.value) return *call.value;
      return {engine::LoginCheckKind::kOtherError, NoReason()};
    case CallEnd::kTimedOut:
      // Reported as the driver reports a server that does not answer in time.
      return {engine::LoginCheckKind::kUnreachable,
              MakeSqlError("HYT00", 0,
                           "Login timeout expired: the server did not complete the login within " +
                               std::to_string(options.connectTimeoutSeconds) + " seconds.")};
    case CallEnd::kInterrupted:
      break;
  }
  return {engine::LoginCheckKind::kOtherError, Interrupted()};
}

Result<engine::QueryResult> OdbcSqlClient::RunQuery(const engine::SqlTarget& target,
                                                    const std::string& text, int timeoutSeconds) {
  const Options options = options_;
  // Connecting and the command each have the time-out.
  CallOutcome<Result<engine::QueryResult>> call = CallWithin<Result<engine::QueryResult>>(
      [options, target, text, timeoutSeconds] {
        return RunQueryNow(options, target, text, timeoutSeconds);
      },
      Limit(timeoutSeconds > 0 ? 2 * timeoutSeconds : 0), options.interrupted);
  if (call.value) return std::move(*call.value);
  if (call.end == CallEnd::kTimedOut) {
    return ErrorStatus({MakeSqlError("HYT00", 0,
                                     "Query timeout expired: the server did not answer within " +
                                         std::to_string(timeoutSeconds) + " seconds.")});
  }
  if (call.end == CallEnd::kInterrupted) return Status::Error(kInterrupted);
  return ErrorStatus({NoReason()});
}

Status OdbcSqlClient::StreamQuery(const engine::SqlTarget& target, const std::string& text,
                                  int timeoutSeconds, engine::QueryRowSink& sink) {
  auto channel = std::make_shared<RowChannel>();
  ResultHandler handler{[channel](const std::vector<std::string>& names) {
                          std::lock_guard<std::mutex> lock(channel->mutex);
                          channel->columns = names;
                          channel->changed.notify_all();
                        },
                        [channel](std::vector<std::string>&& values) {
                          std::unique_lock<std::mutex> lock(channel->mutex);
                          channel->changed.wait(lock, [&] {
                            return channel->abandoned ||
                                   channel->rows.size() < RowChannel::kQueuedRows;
                          });
                          if (channel->abandoned) return false;
                          channel->rows.push_back(std::move(values));
                          channel->changed.notify_all();
                          return true;
                        }};
  const Options options = options_;
  try {
    std::thread([channel, handler, options, target, text, timeoutSeconds] {
      Status done = Status::Ok();
      try {
        done = QueryNow(options, target, text, timeoutSeconds, handler);
      } catch (...) {
        done = ErrorStatus({NoReason()});
      }
      std::lock_guard<std::mutex> lock(channel->mutex);
      channel->status = done;
      channel->finished = true;
      channel->changed.notify_all();
    }).detach();
  } catch (const std::system_error& error) {
    return Status::Error(error.what());
  }

  // Connecting and the command each have the time-out; after that, each row must come within
  // it. An interruption is taken at once.
  auto deadline =
      std::chrono::steady_clock::now() + Limit(timeoutSeconds > 0 ? 2 * timeoutSeconds : 0);
  std::unique_lock<std::mutex> lock(channel->mutex);
  auto giveUp = [&](const Status& why) {
    channel->abandoned = true;
    channel->changed.notify_all();
    return why;
  };
  for (;;) {
    if (options.interrupted != nullptr && options.interrupted->load())
      return giveUp(Status::Error(kInterrupted));
    if (channel->columns || !channel->rows.empty()) {
      std::optional<std::vector<std::string>> columns = std::move(channel->columns);
      channel->columns.reset();
      std::deque<std::vector<std::string>> rows;
      rows.swap(channel->rows);
      channel->changed.notify_all();
      lock.unlock();
      if (columns) sink.Columns(*columns);
      for (const std::vector<std::string>& row : rows) sink.Row(row);
      lock.lock();
      deadline = std::chrono::steady_clock::now() + Limit(timeoutSeconds);
      continue;
    }
    if (channel->finished) return channel->status;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      return giveUp(
          ErrorStatus({MakeSqlError("HYT00", 0,
                                    "Query timeout expired: the server did not answer within " +
                                        std::to_string(timeoutSeconds) + " seconds.")}));
    }
    channel->changed.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(100)));
  }
}

engine::ConnectionProbe OdbcSqlClient::ProbeConnection(const engine::SqlTarget& target,
                                                       const std::string& text,
                                                       int timeoutSeconds) {
  const OdbcProbeSettings settings{{options_.driverName, options_.fallbackLibraries},
                                   options_.braceEscaping,
                                   options_.connectTimeoutSeconds};
  auto stopped = [](engine::LoginCheck login) {
    engine::ConnectionProbe probe;
    probe.errors = {login.error};
    probe.login = std::move(login);
    return probe;
  };
  // A silent browser is the check's cause itself, not a server that did not answer.
  const ResolvedServer resolved = ResolveServer(target.server, target.browserTimeoutMs);
  if (!resolved.ok) return stopped(resolved.failure);
  Result<OdbcServer> where = PrepareServer(target.server, resolved, target.encryption);
  if (!where)
    return stopped(
        {engine::LoginCheckKind::kOtherError, MakeSqlError("", 0, where.status().message())});
  if (auto stop = CheckBefore(*where, target.encryption, options_.connectTimeoutSeconds))
    return stopped(*stop);
  const std::string serverKey = where->section.empty() ? "SERVER" : "SERVERNAME";
  const std::string serverValue = where->section.empty() ? where->listed : where->section;
  CallOutcome<engine::ConnectionProbe> call = CallWithin<engine::ConnectionProbe>(
      [settings, target, text, timeoutSeconds, serverKey, serverValue] {
        return ProbeOverOdbc(settings, target, text, timeoutSeconds, serverKey, serverValue);
      },
      Limit(options_.connectTimeoutSeconds + std::max(0, timeoutSeconds)), options_.interrupted);
  if (call.value) {
    if (call.value->login.kind != engine::LoginCheckKind::kAccepted) {
      if (auto why = ExplainFailure(*where, target.encryption, call.value->errors)) {
        call.value->errors.insert(call.value->errors.begin(), why->error);
        call.value->login = *why;
      }
    }
    return std::move(*call.value);
  }
  engine::ConnectionProbe probe;
  probe.login.kind = call.end == CallEnd::kTimedOut ? engine::LoginCheckKind::kUnreachable
                                                    : engine::LoginCheckKind::kOtherError;
  probe.login.error =
      call.end == CallEnd::kTimedOut
          ? MakeSqlError("HYT00", 0,
                         "Login timeout expired: the server did not answer within " +
                             std::to_string(options_.connectTimeoutSeconds) + " seconds.")
          : (call.end == CallEnd::kInterrupted ? Interrupted() : NoReason());
  probe.errors = {probe.login.error};
  return probe;
}

engine::PasswordChange OdbcSqlClient::ChangePassword(
    const std::string& server, const std::string& login, const std::string& oldPassword,
    const std::string& newPassword, const engine::SqlEncryption& encryption, int browserTimeoutMs) {
  const ResolvedServer resolved = ResolveServer(server, browserTimeoutMs);
  if (!resolved.ok) return ClassifyPasswordFailure({resolved.failure.error});
  Result<OdbcServer> where = PrepareServer(server, resolved, encryption);
  if (!where) return ClassifyPasswordFailure({MakeSqlError("", 0, where.status().message())});
  if (auto stop = CheckBefore(*where, encryption, options_.connectTimeoutSeconds))
    return ClassifyPasswordFailure({stop->error});
  OdbcConnectionString attributes(options_.braceEscaping);
  AddServer(attributes, *where);
  attributes.Add("Database", "master")
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
  if (!connection.ok()) {
    if (auto why = ExplainFailure(*where, encryption, connection.errors()))
      return ClassifyPasswordFailure({why->error});
    // A password that has expired or must be changed keeps the login out until the login
    // itself changes it.
    if (!NeedsPasswordChange(connection.errors()))
      return ClassifyPasswordFailure(connection.errors());
    OdbcConnectionString changing(options_.braceEscaping);
    AddServer(changing, *where);
    changing.Add("Database", "master")
        .Add("Uid", std::string(settings::TrimBlanks(login)))
        .Add("Pwd", newPassword);
    if (!changing.unwritableKey().empty())
      return ClassifyPasswordFailure({UnwritableValue("new password")});
    request.attributes = changing.text();
    request.oldPassword = oldPassword;
    return ChangePasswordAtLogin({options_.driverName, options_.fallbackLibraries}, request);
  }

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
    std::vector<engine::SqlError> failed = connection.Diagnostics(SQL_HANDLE_STMT, statement.get());
    // Servers without sp_password (Azure SQL Database) change it with ALTER LOGIN.
    if (ProcedureMissing(failed))
      return ChangePasswordByAlterLogin(connection, std::string(settings::TrimBlanks(login)),
                                        oldPassword, newPassword);
    engine::PasswordChange failure = ClassifyPasswordFailure(failed);
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
