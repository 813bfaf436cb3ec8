// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a script: its bytes into UTF-8 text, the text into batches.
#include <gtest/gtest.h>

#include "querytool/BatchSplitter.h"
#include "querytool/ScriptText.h"

namespace pelvane::querytool {
namespace {

using namespace std::string_literals;

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
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::string> batches;
  };
  const Case cases[] = {
      {"any case, blanks around", "a\n  go \t\nb\n\tGo\nc", {"a\n", "b\n", "c"}},
      {"CR LF line ends", "a\r\nGO\r\nb\r\ngo\r\n", {"a\r\n", "b\r\n"}},
      {"GO on the last line without line end", "a\nGO", {"a\n"}},
      {"GO within a line is text", "select 'GO'\nGOTO x\n", {"select 'GO'\nGOTO x\n"}},
      {"line comment holding GO", "a\n-- GO\nb\n", {"a\n-- GO\nb\n"}},
      {"blank batches are dropped", "GO\n\n  \nGO\na\nGO\nGO\n", {"a\n"}},
      {"GO splits even inside a block comment",
       "a\n/* note\nGO\n*/\nb\n",
       {"a\n/* note\n", "*/\nb\n"}},
      {"an unclosed quote fails its batch alone",
       "print 'It's broken'\nGO\nprint 'second'\nGO\n",
       {"print 'It's broken'\n", "print 'second'\n"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitBatches(c.script), c.batches) << c.name;
}

}  // namespace
}  // namespace pelvane::querytool
