// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "engine/ConnectionCause.h"

namespace pelvane::engine {
namespace {

TEST(ConnectionCauseTest, OneCausePerOutcome) {
  using K = LoginCheckKind;
  using C = ConnectionCause;
  const SqlError gaveUp{"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source", ""};
  struct Case {
    K kind;
    std::vector<SqlError> errors;  // the first is the login check's own
    C cause;
  };
  const Case cases[] = {
      {K::kAccepted, {}, C::kOk},
      {K::kAccepted, {{"42000", 297, "permission denied", ""}}, C::kOk},
      {K::kUnreachable,
       {{"08001", 11001, "could not be resolved.", ""}, gaveUp},
       C::kNameNotResolved},
      {K::kUnreachable,
       {{"08001", 0, "getaddrinfo: Name or service not known", ""}},
       C::kNameNotResolved},
      {K::kUnreachable, {{"08001", 10061, "Connection refused", ""}, gaveUp}, C::kPortRefused},
      {K::kUnreachable, {{"HYT00", 0, "Login timeout expired", ""}}, C::kNoAnswerInTime},
      {K::kUnreachable, {{"HYT00", 10060, "No answer in time.", ""}}, C::kNoAnswerInTime},
      {K::kLoginRefused, {{"42000", 18456, "Login failed", ""}, gaveUp}, C::kLoginRefused},
      {K::kPasswordExpired, {{"42000", 18487, "expired", ""}}, C::kPasswordExpired},
      {K::kOtherError, {{"42000", 18487, "expired", ""}}, C::kPasswordExpired},
      {K::kPasswordMustChange, {{"42000", 18488, "must", ""}}, C::kPasswordMustChange},
      {K::kLoginRefused,
       {{"42000", 18456, "", ""}, {"42000", 4060, "", ""}},
       C::kDatabaseUnavailable},
      {K::kLoginRefused, {{"42000", 4064, "default database", ""}}, C::kDatabaseUnavailable},
      {K::kCertificateRefused, {{"08001", 20002, "connection failed", ""}}, C::kCertificate},
      {K::kStrictUnavailable, {{"", 20214, "configuration", ""}}, C::kStrictUnavailable},
      {K::kBrowserSilent, {{"", 0, "did not answer", ""}}, C::kBrowserSilent},
      {K::kOtherError, {gaveUp}, C::kOtherError}};
  for (const Case& c : cases) {
    ConnectionProbe probe;
    probe.login.kind = c.kind;
    if (!c.errors.empty()) probe.login.error = c.errors.front();
    probe.errors = c.errors;
    EXPECT_EQ(ClassifyConnection(probe), c.cause) << &c - cases;
  }
}

}  // namespace
}  // namespace pelvane::engine
