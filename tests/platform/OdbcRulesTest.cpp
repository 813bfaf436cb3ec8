// SPDX-License-Identifier: GPL-3.0-or-later
// The ODBC client's rules on their own: connection strings, the driver it loads, how failures
// are classed and told.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/OdbcConnectionString.h"
#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcDriverChoice.h"
#include "platform/OdbcOutcomes.h"
#include "support/TempDir.h"

namespace pelvane::platform {
namespace {

using engine::LoginCheckKind;
using engine::PasswordChangeKind;
using engine::SqlError;

TEST(OdbcConnectionStringTest, QuotesOnlyValuesThatWouldBreakTheString) {
  // A value, then as written where "}" inside braces is kept as it is, and where it is doubled.
  const std::tuple<std::string, std::optional<std::string>, std::optional<std::string>> cases[] = {
      {"", "", ""},
      {"a}b", "a}b", "a}b"},
      {"pa;ss", "{pa;ss}", "{pa;ss}"},
      {"{pass", "{{pass}", "{{pass}"},
      {"a;b}c", "{a;b}c}", "{a;b}}c}"},
      {"{a}", "{{a}}", "{{a}}}"},
      {" lead", "{ lead}", "{ lead}"},
      {"x};y", std::nullopt, "{x}};y}"},
  };
  for (const auto& [value, verbatim, doubled] : cases) {
    EXPECT_EQ(OdbcAttributeValue(value, BraceEscaping::kVerbatim), verbatim) << value;
    EXPECT_EQ(OdbcAttributeValue(value, BraceEscaping::kDoubled), doubled) << value;
  }
  // The first value that cannot be written is named.
  OdbcConnectionString bad(BraceEscaping::kVerbatim);
  EXPECT_EQ(bad.Add("Uid", "sa").Add("Pwd", "c};d").Add("Db", "e};f").unwritableKey(), "Pwd");
}

TEST(OdbcDriverChoiceTest, RegisteredNameFirstThenFirstExistingLibraryThenNone) {
  testing::TempDir dir;
  const std::string library = dir.File("libtdsodbc.so"), missing = dir.File("none/libtdsodbc.so");
  testing::WriteBytes(library, "not really a library");

  OdbcDriverChoice named = ChooseOdbcDriver({"FreeTDS", "SQL Server"}, "SQL Server", {library});
  EXPECT_EQ(named.driver + named.note, "SQL Server");
  OdbcDriverChoice fallback = ChooseOdbcDriver({"FreeTDS"}, "SQL Server", {missing, library});
  EXPECT_EQ(fallback.driver, library);
  EXPECT_NE(fallback.note.find("\"SQL Server\" is not registered"), std::string::npos);
  EXPECT_NE(fallback.note.find(library), std::string::npos);
  OdbcDriverChoice none = ChooseOdbcDriver({}, "SQL Server", {missing});
  EXPECT_EQ(none.driver, "");
  EXPECT_EQ(none.note.rfind("No ODBC driver for SQL Server is installed", 0), 0u);
}

const SqlError kLoginFailed = MakeSqlError("42000", 18456, "[FreeTDS][SQL Server]Login failed");
const SqlError kUnknownDatabase = MakeSqlError("42000", 4060, "[FreeTDS][SQL Server]Cannot open");
const SqlError kNoServer =
    MakeSqlError("08S01", 20009, "[FreeTDS][SQL Server]Unable to connect: Adaptive Server...");
const SqlError kTimeout = MakeSqlError("HYT00", 0, "[FreeTDS][SQL Server]Timeout expired");
const SqlError kTrailer = MakeSqlError("08001", 0, "[FreeTDS][SQL Server]Unable to connect");
const SqlError kCantOpenLib =
    MakeSqlError("01000", 0, "[unixODBC][Driver Manager]Can't open lib 'x' : file not found");

TEST(OdbcOutcomesTest, LoginFailureKindsAndTheDecidingRecord) {
  struct Case {
    std::vector<SqlError> errors;
    LoginCheckKind kind;
    long decidingNumber;
  };
  const Case cases[] = {
      {{kLoginFailed, kTrailer}, LoginCheckKind::kLoginRefused, 18456},
      {{kUnknownDatabase, kLoginFailed, kTrailer}, LoginCheckKind::kLoginRefused, 18456},
      {{kNoServer, kTrailer}, LoginCheckKind::kUnreachable, 20009},
      // A connection taken and never answered within the login time-out.
      {{kTimeout}, LoginCheckKind::kUnreachable, 0},
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
  // A password change is refused only where the driver or the server reported.
  const std::pair<std::vector<SqlError>, PasswordChangeKind> changes[] = {
      {{kLoginFailed, kTrailer}, PasswordChangeKind::kRefusedByServer},
      {{kNoServer, kTrailer}, PasswordChangeKind::kRefusedByServer},
      {{kCantOpenLib}, PasswordChangeKind::kOtherFailure},
      {{MakeSqlError("IM002", 0, "Data source name not found")}, PasswordChangeKind::kOtherFailure},
      {{MakeSqlError("", 0, "No ODBC driver for SQL Server is installed")},
       PasswordChangeKind::kOtherFailure},
      {{MakeSqlError("HY001", 0, "[FreeTDS][SQL Server]Memory")},
       PasswordChangeKind::kOtherFailure},
      {{}, PasswordChangeKind::kOtherFailure},
  };
  for (size_t i = 0; i < std::size(changes); ++i)
    EXPECT_EQ(ClassifyPasswordFailure(changes[i].first).kind, changes[i].second) << "change " << i;
}

TEST(OdbcDiagnosticsTest, SecretsScrubbedEvenWhereTheMaskHoldsThem) {
  EXPECT_EQ(ScrubSecrets("pw 'Pw1' and Pw1Pw1", {"Pw1"}), "pw '****' and ********");
  EXPECT_EQ(ScrubSecrets("old O1, new N2", {"O1", "", "N2"}), "old ****, new ****");
  // A secret that the mask itself contains must not loop.
  EXPECT_EQ(ScrubSecrets("a**b", {"**"}), "a****b");
}

}  // namespace
}  // namespace pelvane::platform
