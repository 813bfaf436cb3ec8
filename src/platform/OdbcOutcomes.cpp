#include "platform/OdbcOutcomes.h"

#include <algorithm>

#include "platform/OdbcDiagnostics.h"

namespace pelvane::platform {

namespace {

constexpr long kLoginFailed = 18456;
// FreeTDS's own number for "Unable to connect: Adaptive Server is unavailable or does not exist".
constexpr long kFreeTdsUnreachable = 20009;

bool MeansUnreachable(const engine::SqlError& error) {
  // 08S01: no connection or a broken one; HYT00: the server took the connection and never
  // answered within the login time-out.
  return error.sqlState == "08S01" || error.sqlState == "HYT00" ||
         error.nativeError == kFreeTdsUnreachable;
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
  auto refused = std::find_if(errors.begin(), errors.end(), [](const engine::SqlError& error) {
    return error.nativeError == kLoginFailed;
  });
  if (refused != errors.end()) return {engine::LoginCheckKind::kLoginRefused, *refused};
  auto unreachable = std::find_if(errors.begin(), errors.end(), MeansUnreachable);
  if (unreachable != errors.end()) return {engine::LoginCheckKind::kUnreachable, *unreachable};
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
