// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "settings/TextTokens.h"

namespace pelvane::settings {
namespace {

TEST(TextTokensTest, EncodesAndDecodesControlCharacters) {
  struct Case {
    std::string text, stored;
    bool encodes;  // false: only reading gives this text
  } cases[] = {
      {"first\r\nsecond", "firstvbChr13vbChr10second", true},
      {"a\tb", "avbChr9b", true},
      {"select 1\ngo", "select 1vbChr10go", false},  // typed by the user
      {"VBCHR10 vbchr9", "VBCHR10 vbchr9", true},    // case-sensitive
  };
  for (const Case& c : cases) {
    if (c.encodes) {
      EXPECT_EQ(EncodeTokens(c.text), c.stored);
    }
    EXPECT_EQ(DecodeTokens(c.stored), c.text) << c.stored;
  }
}

}  // namespace
}  // namespace pelvane::settings
