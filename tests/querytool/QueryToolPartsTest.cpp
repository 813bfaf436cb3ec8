// SPDX-License-Identifier: GPL-3.0-or-later
// isqlw's parts on their own: its command line, reading a script into batches, its output.
#include <gtest/gtest.h>

#include "querytool/BatchSplitter.h"
#include "querytool/CommandLine.h"
#include "querytool/OutputFile.h"
#include "querytool/OutputLayout.h"
#include "querytool/ScriptText.h"
#include "querytool/ServerAddress.h"
#include "support/TempDir.h"

namespace pelvane::querytool {
namespace {

using namespace std::string_literals;

// The separate form is what the run uses (covered end to end); here the attached form and
// where the password comes from.
TEST(CommandLineTest, AttachedValuesAndPasswordSources) {
  Result<Options> attached = ParseCommandLine(
      {"-Ssrv", "-dpubs", "-Usa", "-ia.sql", "-oout", "--check-after=5"}, std::string("env;pw"));
  ASSERT_TRUE(attached.ok()) << attached.status().message();
  EXPECT_EQ(
      std::vector<std::string>({attached->server, attached->database, attached->login,
                                attached->password, attached->scriptPath, attached->outputPath}),
      std::vector<std::string>({"srv", "pubs", "sa", "env;pw", "a.sql", "out"}));
  EXPECT_EQ(attached->checkAfterSeconds, 5);
  // -P wins over the environment, even when empty.
  Result<Options> empty = ParseCommandLine({"-Ss", "-Uu", "-ii", "-oo", "-P", ""}, "env"s);
  EXPECT_TRUE(empty.ok() && empty->password.empty());
}

TEST(CommandLineTest, RefusesBadUsageWithoutRepeatingThePassword) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-o"}, "Option -o needs a value"},
      {{"-o", "o", "-P", "Secret1", "-P", "Secret1"}, "Option -P given twice"},
      {{"-o", "o", "-PSecret1", "-Z"}, "Unknown option \"-Z\""},
      {{"-o", "o", "--check-after=-1"},
       "Option --check-after needs a number of seconds (0 for no check)"},
  };
  for (const auto& [more, message] : cases) {
    std::vector<std::string> args{"-S", "s", "-U", "u", "-i", "i"};
    args.insert(args.end(), more.begin(), more.end());
    Result<Options> options = ParseCommandLine(args, std::nullopt);
    ASSERT_FALSE(options.ok()) << message;
    EXPECT_EQ(options.status().message(), message);
    EXPECT_EQ(options.status().message().find("Secret1"), std::string::npos);
  }
}

TEST(ServerAddressTest, AllServerFormsBecomeHostColonPort) {
  const std::pair<std::string, std::string> cases[] = {
      {" dbhost , 1500 ", "dbhost:1500"},
      {"dbhost", "dbhost:1433"},
      {"dbhost,0", "refused"},
      {",1433", "refused"},
  };
  for (const auto& [given, expected] : cases) {
    Result<std::string> name = DbLibServerName(given);
    EXPECT_EQ(name.ok() ? *name : "refused", expected) << given;
  }
}

TEST(ScriptTextTest, HonoursByteOrderMarksAndReadsOtherTextAsWindows1252) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xEF\xBB\xBFselect 1", "select 1"},
      {"select 'caf\xC3\xA9'", "select 'caf\xC3\xA9'"},  // UTF-8 without a mark
      {"\xFF\xFEs\0e\0l\0 \0\xE9\0\n\0"s, "sel \xC3\xA9\n"},
      {"\xFE\xFF\0s\0e\0l\0 \0\xE9\0\n"s, "sel \xC3\xA9\n"},
      {"\xFF\xFE\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},      // a surrogate pair
      {"\xFF\xFE\x00\xD8"s + "a\0"s, "\xEF\xBF\xBD" + "a"s},  // a lone surrogate
      {"\xFF\xFE"s + "a\0b"s, "a\xEF\xBF\xBD"},               // an odd last byte
      {"caf\xE9", "caf\xC3\xA9"},
      {"\x80\x93\x94", "\xE2\x82\xAC\xE2\x80\x9C\xE2\x80\x9D"},
  };
  for (const auto& [bytes, text] : cases)
    EXPECT_EQ(DecodeScript(bytes), text) << ::testing::PrintToString(bytes);

  const std::pair<std::string, bool> utf8[] = {
      {"\xC3\xA9", true},          {"\xF0\x9F\x98\x80", true},
      {"\xC0\x80", false},          // an overlong NUL
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
      {"\xE9t\xE9", false},         // Latin-1
  };
  for (const auto& [bytes, valid] : utf8)
    EXPECT_EQ(IsValidUtf8(bytes), valid) << ::testing::PrintToString(bytes);
}

TEST(BatchSplitterTest, SplitsAtLinesHoldingOnlyGo) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"a\n  go \t\nb\n\tGo\nc", {"a\n", "b\n", "c"}},
      {"a\nGO", {"a\n"}},  // on the last line, without a line end
      {"select 'GO'\nGOTO x\n-- GO\n", {"select 'GO'\nGOTO x\n-- GO\n"}},
      {"GO\n\n  \nGO\na\nGO\nGO\n", {"a\n"}},                    // blank batches are dropped
      {"a\n/* note\nGO\n*/\nb\n", {"a\n/* note\n", "*/\nb\n"}},  // even inside a comment
      // An unclosed quote fails its batch alone.
      {"print 'It's broken'\nGO\nprint 'second'\nGO\n",
       {"print 'It's broken'\n", "print 'second'\n"}},
  };
  for (const auto& [script, batches] : cases) EXPECT_EQ(SplitBatches(script), batches) << script;
}

// The usual layout is in isqlw's end-to-end output; here what its script does not show.
TEST(OutputLayoutTest, WideValuesCharacterWidthsAndMessagesByKind) {
  // A value wider than its column is written whole; the next column simply starts later.
  EXPECT_EQ(RowLine({{"c", 2, false}, {"d", 1, false}}, {"long", "x"}), "long x");
  // Widths count characters, not bytes.
  EXPECT_EQ(RowLine({{"c", 5, false}, {"n", 6, true}}, {"caf\xC3\xA9", std::nullopt}),
            "caf\xC3\xA9    NULL");

  const std::pair<ServerMessage, std::vector<std::string>> cases[] = {
      {{50000, 3, 16, "boom", "usp_Fail", 4},
       {"Server: Msg 50000, Level 16, State 3, Procedure usp_Fail, Line 4", "boom"}},
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
