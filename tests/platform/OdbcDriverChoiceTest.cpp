// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/OdbcDriverChoice.h"
#include "support/TempDir.h"

namespace pelvane::platform {
namespace {

TEST(OdbcDriverChoiceTest, RegisteredNameFirstThenFirstExistingLibraryThenNone) {
  testing::TempDir dir;
  std::string library = dir.File("libtdsodbc.so");
  testing::WriteBytes(library, "not really a library");
  std::string missing = dir.File("missing/libtdsodbc.so");

  OdbcDriverChoice named = ChooseOdbcDriver({"FreeTDS", "SQL Server"}, "SQL Server", {library});
  EXPECT_EQ(named.driver, "SQL Server");
  EXPECT_EQ(named.note, "");

  OdbcDriverChoice fallback = ChooseOdbcDriver({"FreeTDS"}, "SQL Server", {missing, library});
  EXPECT_EQ(fallback.driver, library);
  EXPECT_NE(fallback.note.find("\"SQL Server\" is not registered"), std::string::npos);
  EXPECT_NE(fallback.note.find(library), std::string::npos);

  OdbcDriverChoice none = ChooseOdbcDriver({}, "SQL Server", {missing});
  EXPECT_EQ(none.driver, "");
  EXPECT_EQ(none.note.rfind("No ODBC driver for SQL Server is installed", 0), 0u);
}

}  // namespace
}  // namespace pelvane::platform
