#include <gtest/gtest.h>

#include "settings/TextTokens.h"

namespace pelvane::settings {
namespace {

TEST(TextTokensTest, EncodesAndDecodesControlCharacters) {
  struct Case {
    std::string text, stored;
  } cases[] = {
      {"", ""},
      {"one line", "one line"},
      {"first\r\nsecond", "firstvbChr13vbChr10second"},
      {"a\tb", "avbChr9b"},
      {"\n\n", "vbChr10vbChr10"},
      {"C:\\a.sql|C:\\b.sql", "C:\\a.sql|C:\\b.sql"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeTokens(c.text), c.stored);
    EXPECT_EQ(DecodeTokens(c.stored), c.text);
  }
}

TEST(TextTokensTest, TokensTypedByTheUserComeBackAsCharacters) {
  EXPECT_EQ(DecodeTokens("select 1vbChr10go"), "select 1\ngo");
  EXPECT_EQ(DecodeTokens("VBCHR10 vbchr9"), "VBCHR10 vbchr9");  // case-sensitive
  // "vbChr1" followed by "0" is a line feed, however the pieces were typed.
  EXPECT_EQ(DecodeTokens(EncodeTokens("vbChr1") + "0"), "\n");
}

}  // namespace
}  // namespace pelvane::settings
