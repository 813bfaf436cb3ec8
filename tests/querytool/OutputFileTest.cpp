// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "querytool/OutputFile.h"
#include "support/TempDir.h"

namespace pelvane::querytool {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

TEST(OutputFileTest, TruncatesAndEndsEveryLineWithCrLfOrNamesThePathItCannotWrite) {
  TempDir dir;
  const std::string path = dir.File("out.log");
  WriteBytes(path, "old content that must go\n");
  {
    Result<OutputFile> output = OutputFile::Create(path);
    ASSERT_TRUE(output.ok()) << output.status().message();
    output.value().Line("first");
    output.value().Line("");
    output.value().Line("two\nlines");
    output.value().Line("already\r\nwindows");
    EXPECT_TRUE(output.value().Flush().ok());
  }
  EXPECT_EQ(ReadBytes(path), "first\r\n\r\ntwo\r\nlines\r\nalready\r\nwindows\r\n");

  Result<OutputFile> output = OutputFile::Create(dir.File("missing/folder/out.log"));
  ASSERT_FALSE(output.ok());
  EXPECT_NE(output.status().message().find("missing/folder/out.log"), std::string::npos);
}

}  // namespace
}  // namespace pelvane::querytool
