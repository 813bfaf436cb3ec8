// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "querytool/ScriptText.h"

namespace pelvane::querytool {
namespace {

using namespace std::string_literals;

TEST(ScriptTextTest, HonoursByteOrderMarksAndReadsOtherTextAsWindows1252) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"UTF-8 mark dropped", "\xEF\xBB\xBFselect 1", "select 1"},
      {"UTF-8 without mark kept", "select 'caf\xC3\xA9'", "select 'caf\xC3\xA9'"},
      {"UTF-16 LE",
       "\xFF\xFE"
       "s\0e\0l\0 \0\xE9\0\n\0"s,
       "sel \xC3\xA9\n"},
      {"UTF-16 BE",
       "\xFE\xFF"
       "\0s\0e\0l\0 \0\xE9\0\n"s,
       "sel \xC3\xA9\n"},
      {"UTF-16 LE surrogate pair", "\xFF\xFE\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},
      {"UTF-16 lone surrogate",
       "\xFF\xFE\x00\xD8"
       "a\0"s,
       "\xEF\xBF\xBD"
       "a"},
      {"UTF-16 odd last byte",
       "\xFF\xFE"
       "a\0b"s,
       "a\xEF\xBF\xBD"},
      {"Windows-1252 e acute", "caf\xE9", "caf\xC3\xA9"},
      {"Windows-1252 euro and quotes", "\x80\x93\x94", "\xE2\x82\xAC\xE2\x80\x9C\xE2\x80\x9D"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeScript(c.bytes), c.text) << c.name;
  }
}

TEST(ScriptTextTest, RecognisesValidUtf8Only) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"\xC3\xA9", true},          {"\xF0\x9F\x98\x80", true}, {"\xC0\x80", false},  // overlong NUL
      {"\xED\xA0\x80", false},                                                       // surrogate
      {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
      {"\xE9t\xE9", false},         // Latin-1
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
  }
}

}  // namespace
}  // namespace pelvane::querytool
