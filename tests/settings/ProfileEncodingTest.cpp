// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "settings/ProfileDocument.h"

namespace pelvane::settings {
namespace {

/// UTF-16LE with its mark for 16-bit code units given one by one.
std::string Utf16Le(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t unit : text) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

TEST(ProfileEncodingTest, MarkedAndWideFilesReadAndWriteBackAsTheyCame) {
  const std::string utf8Mark = "\xEF\xBB\xBF[Servers]\r\nServer1=A\r\n";
  // "é", a pair (U+1F600) and an unpaired surrogate, all of which must come back.
  const std::string wide =
      Utf16Le(u"[Servers]\r\nServer1=A\r\n[A]\r\nNote=\u00e9\U0001F600\xD800!\r\n");
  const std::string note = "\xC3\xA9\xF0\x9F\x98\x80\xED\xA0\x80!";
  const struct Case {
    std::string name, bytes, note;
  } cases[] = {
      {"UTF-8 with a mark", utf8Mark, ""},
      {"UTF-16LE", wide, note},
      {"UTF-16LE with an odd last byte", wide + "x", note},
  };
  for (const Case& c : cases) {
    ProfileDocument doc = ProfileDocument::Parse(c.bytes);
    EXPECT_EQ(doc.Find("Servers", "Server1").value_or("?"), "A") << c.name;
    EXPECT_EQ(std::string(doc.Find("A", "Note").value_or("")), c.note) << c.name;
    EXPECT_EQ(doc.Serialize(), c.bytes) << c.name;
    // A new entry lands in the one [Servers] section, in the file's own encoding.
    ASSERT_TRUE(doc.Set("Servers", "Server2", "B"));
    ProfileDocument again = ProfileDocument::Parse(doc.Serialize());
    EXPECT_EQ(again.Find("Servers", "Server2").value_or("?"), "B") << c.name;
    EXPECT_EQ(again.Serialize(), doc.Serialize()) << c.name;
    EXPECT_EQ(doc.Serialize().substr(0, 2), c.bytes.substr(0, 2)) << c.name;
    // 8-bit text that is not UTF-8 would come back changed from a UTF-16 file.
    EXPECT_EQ(doc.Set("A", "Note", "caf\xE9").ok(), c.bytes[0] != '\xFF') << c.name;
  }
}

}  // namespace
}  // namespace pelvane::settings
