// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "querytool/OutputLayout.h"

namespace pelvane::querytool {
namespace {

TEST(OutputLayoutTest, PadsColumnsToTheirWidthAndAlignsNumbersRight) {
  const std::vector<ColumnLayout> columns{{"id", 11, true}, {"name", 6, false}, {"", 3, false}};
  EXPECT_EQ(HeaderLine(columns), "id          name      ");
  EXPECT_EQ(DashLine(columns), "----------- ------ ---");
  EXPECT_EQ(RowLine(columns, {"42", "ab", "x"}), "         42 ab     x  ");
  EXPECT_EQ(RowLine(columns, {std::nullopt, std::nullopt, ""}), "       NULL NULL      ");
  // A value wider than its column is written whole; the next column simply starts later.
  EXPECT_EQ(RowLine({{"c", 2, false}, {"d", 1, false}}, {"long", "x"}), "long x");
  // Widths count characters, not bytes.
  EXPECT_EQ(RowLine({{"c", 5, false}}, {"caf\xC3\xA9"}), "caf\xC3\xA9 ");
}

TEST(OutputLayoutTest, MessagesByKind) {
  struct Case {
    const char* name;
    ServerMessage message;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"error in a batch",
       {208, 1, 16, "Invalid object name 'nope'.", "", 1},
       {"Server: Msg 208, Level 16, State 1, Line 1", "Invalid object name 'nope'."}},
      {"error in a procedure",
       {50000, 3, 16, "boom", "usp_Fail", 4},
       {"Server: Msg 50000, Level 16, State 3, Procedure usp_Fail, Line 4", "boom"}},
      {"PRINT", {0, 1, 0, "hello", "", 3}, {"hello"}},
      {"severity 10 is information", {50000, 1, 10, "note", "p", 2}, {"note"}},
      {"changed database", {5701, 2, 0, "Changed database context to 'pubs'.", "", 0}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MessageLines(c.message), c.lines) << c.name;
  }
}

}  // namespace
}  // namespace pelvane::querytool
