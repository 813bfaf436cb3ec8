// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "engine/ConnectionCause.h"

namespace pelvane::engine {
namespace {

SqlError Record(const std::string& state, long number, const std::string& message) {
  return {state, number, message, "ODBC"};
}

const SqlError kDriverGaveUp =
    Record("08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source");

TEST(ConnectionCauseTest, OneCausePerOutcome) {
  using K = LoginCheckKind;
  using C = ConnectionCause;
  struct Case {
    const char* what;
    K kind;
    std::vector<SqlError> errors;
    C cause;
  };
  const Case cases[] = {
      {"accepted", K::kAccepted, {}, C::kOk},
      {"accepted, query refused",
       K::kAccepted,
       {Record("42000", 297, "permission denied")},
       C::kOk},
      {"name",
       K::kUnreachable,
       {Record("08001", 11001, "The server name nosuch.invalid could not be resolved."),
        kDriverGaveUp},
       C::kNameNotResolved},
      {"name in words",
       K::kUnreachable,
       {Record("08001", 0, "getaddrinfo: Name or service not known")},
       C::kNameNotResolved},
      {"refused",
       K::kUnreachable,
       {Record("08001", 10061, "Connection refused by 127.0.0.1 on port 1."), kDriverGaveUp},
       C::kPortRefused},
      {"time-out",
       K::kUnreachable,
       {Record("HYT00", 0, "Login timeout expired")},
       C::kNoAnswerInTime},
      {"silent port",
       K::kUnreachable,
       {Record("HYT00", 10060, "No answer from h in time.")},
       C::kNoAnswerInTime},
      {"18456",
       K::kLoginRefused,
       {Record("42000", 18456, "Login failed for user 'sa'."), kDriverGaveUp},
       C::kLoginRefused},
      {"18487", K::kPasswordExpired, {Record("42000", 18487, "expired")}, C::kPasswordExpired},
      {"18487 unclassified",
       K::kOtherError,
       {Record("42000", 18487, "expired")},
       C::kPasswordExpired},
      {"18488", K::kPasswordMustChange, {Record("42000", 18488, "must")}, C::kPasswordMustChange},
      {"4060 before 18456",
       K::kLoginRefused,
       {Record("42000", 18456, "Login failed"), Record("42000", 4060, "Cannot open database")},
       C::kDatabaseUnavailable},
      {"4064",
       K::kLoginRefused,
       {Record("42000", 4064, "default database")},
       C::kDatabaseUnavailable},
      {"certificate",
       K::kCertificateRefused,
       {Record("08001", 20002, "connection failed")},
       C::kCertificate},
      {"strict",
       K::kStrictUnavailable,
       {Record("", 20214, "configuration")},
       C::kStrictUnavailable},
      {"browser", K::kBrowserSilent, {Record("", 0, "did not answer")}, C::kBrowserSilent},
      {"no reason", K::kOtherError, {kDriverGaveUp}, C::kOtherError},
  };
  for (const Case& c : cases) {
    ConnectionProbe probe;
    probe.login.kind = c.kind;
    if (!c.errors.empty()) probe.login.error = c.errors.front();
    probe.errors = c.errors;
    EXPECT_EQ(ClassifyConnection(probe), c.cause) << c.what;
  }
}

}  // namespace
}  // namespace pelvane::engine
