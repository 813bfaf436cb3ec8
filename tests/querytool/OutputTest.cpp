// SPDX-License-Identifier: GPL-3.0-or-later
// What isqlw writes: the layout of rows and messages, and the output file's line ends.
#include <gtest/gtest.h>

#include "querytool/OutputFile.h"
#include "querytool/OutputLayout.h"
#include "support/TempDir.h"

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

// An error in a batch and PRINT are in the end-to-end layout.
TEST(OutputLayoutTest, MessagesByKind) {
  const std::pair<ServerMessage, std::vector<std::string>> cases[] = {
      {{50000, 3, 16, "boom", "usp_Fail", 4},
       {"Server: Msg 50000, Level 16, State 3, Procedure usp_Fail, Line 4", "boom"}},
      {{50000, 1, 10, "note", "p", 2}, {"note"}},  // severity 10 is information
      {{5701, 2, 0, "Changed database context to 'pubs'.", "", 0}, {}},
  };
  for (const auto& [message, lines] : cases)
    EXPECT_EQ(MessageLines(message), lines) << message.text;
}

TEST(OutputFileTest, TruncatesAndEndsEveryLineWithCrLfOrNamesThePathItCannotWrite) {
  pelvane::testing::TempDir dir;
  const std::string path = dir.File("out.log");
  pelvane::testing::WriteBytes(path, "old content that must go\n");
  {
    Result<OutputFile> output = OutputFile::Create(path);
    ASSERT_TRUE(output.ok()) << output.status().message();
    for (const char* line : {"first", "", "two\nlines", "already\r\nwindows"})
      output.value().Line(line);
    EXPECT_TRUE(output.value().Flush().ok());
  }
  EXPECT_EQ(pelvane::testing::ReadBytes(path),
            "first\r\n\r\ntwo\r\nlines\r\nalready\r\nwindows\r\n");

  Result<OutputFile> output = OutputFile::Create(dir.File("missing/folder/out.log"));
  ASSERT_FALSE(output.ok());
  EXPECT_NE(output.status().message().find("missing/folder/out.log"), std::string::npos);
}

}  // namespace
}  // namespace pelvane::querytool
