// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/OdbcConnectionString.h"

namespace pelvane::platform {
namespace {

TEST(OdbcConnectionStringTest, QuotesOnlyValuesThatWouldBreakTheString) {
  struct Case {
    std::string value;
    std::optional<std::string> verbatim;
    std::optional<std::string> doubled;
  };
  const Case cases[] = {
      {"Secret1", "Secret1", "Secret1"},
      {"", "", ""},
      {"a}b", "a}b", "a}b"},
      {"a{b=c", "a{b=c", "a{b=c"},
      {"pa;ss", "{pa;ss}", "{pa;ss}"},
      {"{pass", "{{pass}", "{{pass}"},
      {"a;b}c", "{a;b}c}", "{a;b}}c}"},
      {"{a}", "{{a}}", "{{a}}}"},
      {" lead", "{ lead}", "{ lead}"},
      {"trail\t", "{trail\t}", "{trail\t}"},
      {"x};y", std::nullopt, "{x}};y}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OdbcAttributeValue(c.value, BraceEscaping::kVerbatim), c.verbatim) << c.value;
    EXPECT_EQ(OdbcAttributeValue(c.value, BraceEscaping::kDoubled), c.doubled) << c.value;
  }
}

TEST(OdbcConnectionStringTest, BuildsAttributesInOrderAndNamesAnUnwritableOne) {
  OdbcConnectionString good(BraceEscaping::kVerbatim);
  good.Add("Server", "127.0.0.1,1433")
      .Add("Database", "master")
      .Add("Uid", "sa")
      .Add("Pwd", "x;y}");
  EXPECT_EQ(good.text(), "Server=127.0.0.1,1433;Database=master;Uid=sa;Pwd={x;y}};");
  EXPECT_EQ(good.unwritableKey(), "");

  OdbcConnectionString bad(BraceEscaping::kVerbatim);
  bad.Add("Uid", "a};b").Add("Pwd", "c};d");
  EXPECT_EQ(bad.unwritableKey(), "Uid");
}

}  // namespace
}  // namespace pelvane::platform
