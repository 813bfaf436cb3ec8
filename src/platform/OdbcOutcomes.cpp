// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcOutcomes.h"

#include <algorithm>

#include "engine/PasswordRefusal.h"
#include "platform/OdbcDiagnostics.h"

namespace pelvane::platform {

namespace {

constexpr long kLoginFailed = 18456;
// FreeTDS's own number for "Unable to connect: Adaptive Server is unavailable or does not exist".
constexpr long kFreeTdsUnreachable = 20009;
// FreeTDS numbers its own (client-side) errors from 20000.
constexpr long kFreeTdsFirst = 20000;
constexpr long kFreeTdsLast = 20999;

bool MeansUnreachable(const engine::SqlError& error) {
  // Class 08 (08001, 08S01): no connection, a broken one, or a peer that does not speak TDS
  // (a name that does not resolve, a refused or closed connection, garbage); HYT00: the
  // server took the connection and never answered within the login time-out.
  return error.sqlState.compare(0, 2, "08") == 0 || error.sqlState == "HYT00" ||
         error.nativeError == kFreeTdsUnreachable;
}

/// A record the server itself sent (a message number of its own), rather than the driver.
bool FromServer(const engine::SqlError& error) {
  return error.nativeError != 0 &&
         !(error.nativeError >= kFreeTdsFirst && error.nativeError <= kFreeTdsLast);
}

engine::SqlError FirstOrUnknown(const std::vector<engine::SqlError>& errors) {
  if (!errors.empty()) return errors.front();
  engine::SqlError unknown;
  unknown.message = "The connection failed without a reason.";
  unknown.source = "ODBC";
  return unknown;
}

}  // namespace

engine::LoginCheck ClassifyLoginFailure(const std::vector<engine::SqlError>& errors) {
  for (const engine::SqlError& error : errors) {
    if (std::optional<engine::LoginCheckKind> kind = engine::PasswordRefusalKind(error.nativeError))
      return {*kind, error};
  }
  auto refused = std::find_if(errors.begin(), errors.end(), [](const engine::SqlError& error) {
    return error.nativeError == kLoginFailed;
  });
  if (refused != errors.end()) return {engine::LoginCheckKind::kLoginRefused, *refused};
  // A failure before the server said anything: nobody there that speaks to us.
  auto unreachable = std::find_if(errors.begin(), errors.end(), MeansUnreachable);
  bool serverAnswered = std::any_of(errors.begin(), errors.end(), FromServer);
  if (unreachable != errors.end() && !serverAnswered)
    return {engine::LoginCheckKind::kUnreachable, *unreachable};
  return {engine::LoginCheckKind::kOtherError, FirstOrUnknown(errors)};
}

engine::PasswordChange ClassifyPasswordFailure(const std::vector<engine::SqlError>& errors) {
  engine::PasswordChange change;
  change.kind = ReportedByDriverOrServer(errors) ? engine::PasswordChangeKind::kRefusedByServer
                                                 : engine::PasswordChangeKind::kOtherFailure;
  change.error = FirstOrUnknown(errors);
  return change;
}

}  // namespace pelvane::platform
