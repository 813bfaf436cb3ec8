// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "settings/ProfileDocument.h"

namespace pelvane::settings {
namespace {

std::string Found(const ProfileDocument& doc, const char* section, const char* key) {
  auto value = doc.Find(section, key);
  return value ? std::string(*value) : "<missing>";
}

TEST(ProfileDocumentTest, FindsValuesByTheFormatsRulesAndSurvivesHostileBytes) {
  std::string text =
      "top=ignored before any section\n; comment=not a key\n[Pelvane]\n  OverwriteFile =  1  \n"
      "junk line without equals\n# hash=comment too\nDup=first\nDup=second\nEq=a=b\n"
      "[ spaced section ]\nk=v\n[pelvane]\nLater=hidden by the first section of that name\n"
      "[S]\nk=" +
      std::string(100000, 'x') + "\n" + std::string("nul=ab\0cd\n", 10) +
      "\r\r\n[\n]\n[]\n=\n[unclosed\nk2=v2\n\xff\xfe=\x80\n";
  ProfileDocument doc = ProfileDocument::Parse(text);
  EXPECT_EQ(doc.Serialize(), text);
  struct Case {
    const char* section;
    const char* key;
    std::string expected;
  } cases[] = {
      {"Pelvane", "OverwriteFile", "1"},
      {"Pelvane", "Dup", "first"},
      {"Pelvane", "Eq", "a=b"},
      {"Pelvane", "junk line without equals", "<missing>"},
      {"Pelvane", "# hash", "<missing>"},
      {"Pelvane", "top", "<missing>"},
      {"Pelvane", "Later", "<missing>"},
      {"spaced section", "k", "v"},  // blanks around section names do not count
      {"S", "k", std::string(100000, 'x')},
      {"S", "nul", "ab"},  // a value ends at a NUL byte
      {"", "k2", "v2"},    // "[]" opened a section with an empty name
      {"", "\xff\xfe", "\x80"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Found(doc, c.section, c.key), c.expected) << c.section << "/" << c.key;
  }
}

TEST(ProfileDocumentTest, RewritesOnlyWhatChangedAndKeepsLineEnds) {
  const std::string crlf =
      "; kept\r\n[Errors]\r\nLogFile=a.log\r\n\r\n \r\nodd line\r\n[Servers]\r\nServer1=A";
  ProfileDocument doc = ProfileDocument::Parse(crlf);
  EXPECT_EQ(doc.Serialize(), crlf);  // parse and write back is byte for byte
  ASSERT_TRUE(doc.Set("errors", "WhenOccurs", "2"));
  ASSERT_TRUE(doc.Set("Errors", "LOGFILE", "b.log"));
  ASSERT_TRUE(doc.Set("Servers", "Server2", "B"));  // the last line had no line end
  ASSERT_TRUE(doc.Set("New", "Key", " padded "));
  EXPECT_EQ(doc.Serialize(),
            "; kept\r\n[Errors]\r\nLogFile=b.log\r\nWhenOccurs=2\r\n\r\n \r\nodd line\r\n"
            "[Servers]\r\nServer1=A\r\nServer2=B\r\n[New]\r\nKey= padded \r\n");
  EXPECT_EQ(Found(doc, "new", "key"), "padded");

  ProfileDocument cut = ProfileDocument::Parse("[S]\r\nk=v\r");  // cut after its last "\r"
  ASSERT_TRUE(cut.Set("S", "k2", "w"));
  EXPECT_EQ(cut.Serialize(), "[S]\r\nk=v\r\nk2=w\r\n");
}

TEST(ProfileDocumentTest, RemovesEverySectionOfTheName) {
  ProfileDocument doc =
      ProfileDocument::Parse("[A]\nx=1\n \n[B]\ny=2\n[a]\nz=3\n; trailing comment\n");
  EXPECT_TRUE(doc.RemoveSection(" a "));
  EXPECT_FALSE(doc.RemoveSection("A"));
  EXPECT_EQ(doc.Serialize(), "[B]\ny=2\n");
  EXPECT_EQ(Found(doc, "A", "x"), "<missing>");

  // As a new settings file is built in memory by its first writes, then edited again.
  ProfileDocument built;
  ASSERT_TRUE(built.Set("Servers", "Server1", "A"));
  ASSERT_TRUE(built.Set("B", "ServerGroup", "G"));
  EXPECT_TRUE(built.RemoveSection("B"));
  ASSERT_TRUE(built.Set("Servers", "Server2", "C"));
  EXPECT_EQ(built.Serialize(), "[Servers]\nServer1=A\nServer2=C\n");
}

TEST(ProfileDocumentTest, RefusesTextThatWouldBreakTheFileApart) {
  ProfileDocument doc = ProfileDocument::Parse("[S]\nk=v\n");
  const std::string before = doc.Serialize();
  EXPECT_FALSE(doc.Set("S", "k", "line1\nInjected=1"));
  EXPECT_FALSE(doc.Set("S", "k", std::string("nul\0byte", 8)));
  EXPECT_FALSE(doc.Set("S", "a=b", "v"));
  EXPECT_FALSE(doc.Set("S", "[x]", "v"));
  EXPECT_FALSE(doc.Set("   ", "k", "v"));
  EXPECT_FALSE(doc.AppendLine("a\nb"));
  EXPECT_EQ(doc.Serialize(), before);
}

}  // namespace
}  // namespace pelvane::settings
