// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcOutcomes.h"

namespace pelvane::platform {
namespace {

using engine::LoginCheckKind;
using engine::PasswordChangeKind;
using engine::SqlError;

const SqlError kLoginFailed = MakeSqlError("42000", 18456, "[FreeTDS][SQL Server]Login failed");
const SqlError kUnknownDatabase = MakeSqlError("42000", 4060, "[FreeTDS][SQL Server]Cannot open");
const SqlError kNoServer =
    MakeSqlError("08S01", 20009, "[FreeTDS][SQL Server]Unable to connect: Adaptive Server...");
const SqlError kTimeout = MakeSqlError("HYT00", 0, "[FreeTDS][SQL Server]Timeout expired");
const SqlError kTrailer = MakeSqlError("08001", 0, "[FreeTDS][SQL Server]Unable to connect");
const SqlError kCantOpenLib =
    MakeSqlError("01000", 0, "[unixODBC][Driver Manager]Can't open lib 'x' : file not found");
const SqlError kNoDataSource = MakeSqlError("IM002", 0, "Data source name not found");
const SqlError kNoDriver = MakeSqlError("", 0, "No ODBC driver for SQL Server is installed");
const SqlError kWrongOld = MakeSqlError("42000", 15211, "[FreeTDS][SQL Server]Old (current)...");

TEST(OdbcOutcomesTest, LoginFailureKindsAndTheDecidingRecord) {
  struct Case {
    std::vector<SqlError> errors;
    LoginCheckKind kind;
    long decidingNumber;
  };
  const Case cases[] = {
      {{kLoginFailed, kTrailer}, LoginCheckKind::kLoginRefused, 18456},
      {{kUnknownDatabase, kLoginFailed, kTrailer}, LoginCheckKind::kLoginRefused, 18456},
      {{MakeSqlError("28000", 18456, "Login failed")}, LoginCheckKind::kLoginRefused, 18456},
      {{kNoServer, kTrailer}, LoginCheckKind::kUnreachable, 20009},
      {{kTimeout, kTrailer}, LoginCheckKind::kUnreachable, 0},
      // Garbage instead of TDS, a connection closed at once, a name that does not resolve.
      {{MakeSqlError("08S01", 20017, "Unexpected EOF from the server"), kTrailer},
       LoginCheckKind::kUnreachable,
       20017},
      {{kTrailer}, LoginCheckKind::kUnreachable, 0},
      {{kCantOpenLib}, LoginCheckKind::kOtherError, 0},
      {{kUnknownDatabase, kTrailer}, LoginCheckKind::kOtherError, 4060},
      {{}, LoginCheckKind::kOtherError, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    engine::LoginCheck check = ClassifyLoginFailure(cases[i].errors);
    EXPECT_EQ(check.kind, cases[i].kind) << "case " << i;
    EXPECT_EQ(check.error.nativeError, cases[i].decidingNumber) << "case " << i;
    EXPECT_FALSE(check.error.message.empty()) << "case " << i;
  }
}

TEST(OdbcOutcomesTest, PasswordFailureRefusedOnlyWhenDriverOrServerReported) {
  struct Case {
    std::vector<SqlError> errors;
    PasswordChangeKind kind;
  };
  const Case cases[] = {
      {{kLoginFailed, kTrailer}, PasswordChangeKind::kRefusedByServer},
      {{kNoServer, kTrailer}, PasswordChangeKind::kRefusedByServer},
      {{kWrongOld}, PasswordChangeKind::kRefusedByServer},
      {{kCantOpenLib}, PasswordChangeKind::kOtherFailure},
      {{kNoDataSource}, PasswordChangeKind::kOtherFailure},
      {{kNoDriver}, PasswordChangeKind::kOtherFailure},
      {{MakeSqlError("HY001", 0, "[FreeTDS][SQL Server]Memory")},
       PasswordChangeKind::kOtherFailure},
      {{}, PasswordChangeKind::kOtherFailure},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(ClassifyPasswordFailure(cases[i].errors).kind, cases[i].kind) << "case " << i;
}

TEST(OdbcOutcomesTest, DriverMessagesSplitIntoSourceAndText) {
  SqlError error = MakeSqlError("42S02", 208, "[FreeTDS][SQL Server]Invalid object name 'x'.");
  EXPECT_EQ(error.source, "FreeTDS SQL Server");
  EXPECT_EQ(error.message, "Invalid object name 'x'.");
  EXPECT_EQ(DescribeSqlErrors({error}),
            "SQLSTATE 42S02, error 208 (FreeTDS SQL Server): Invalid object name 'x'.");
  SqlError plain = MakeSqlError("", 0, "[unclosed text");
  EXPECT_EQ(plain.source, "ODBC");
  EXPECT_EQ(plain.message, "[unclosed text");
}

TEST(OdbcOutcomesTest, ScrubRemovesEverySecretOccurrence) {
  EXPECT_EQ(ScrubSecrets("pw 'Pw1' and Pw1Pw1", {"Pw1"}), "pw '****' and ********");
  EXPECT_EQ(ScrubSecrets("old O1, new N2", {"O1", "", "N2"}), "old ****, new ****");
  // A secret that the mask itself contains must not loop.
  EXPECT_EQ(ScrubSecrets("a**b", {"**"}), "a****b");
}

}  // namespace
}  // namespace pelvane::platform
