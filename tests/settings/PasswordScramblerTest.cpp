// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "settings/PasswordScrambler.h"

namespace pelvane::settings {
namespace {

TEST(PasswordScramblerTest, ScramblesByteExactWithTheStoredFormAndReadsAnyText) {
  // Values as the settings files already in use hold them.
  struct Case {
    std::string plain, scrambled;
    bool scrambles;  // false: only reading gives this text
  } cases[] = {
      {"", "", true},
      {"sa", "4251", true},
      {"Password1!", "61514A42465E43540910", true},
      // 14 characters: wraps past the 12 key digits back to the first.
      {"abcdefghijklmn", "50525A5554575658515B5B5D5C5E", true},
      // "?" meets the key digit "1": 0x3F ^ 0x31 = 0x0E, written with a leading zero.
      {"?", "0E", true},
      {"\xE9", "D8", true},  // bytes above 0x7F too
      // Text that was never scrambled: each pair is read as hexadecimal up to its first
      // non-digit; the key digit still advances.
      {std::string(1, static_cast<char>(0x4 ^ '1')), "4", false},     // odd length: one digit
      {std::string("s") + static_cast<char>(0 ^ '0'), "42G", false},  // "G" alone gives 0
      {std::string(1, static_cast<char>(0 ^ '1')), "G1", false},      // stops at once
      {std::string(1, static_cast<char>(1 ^ '1')), "1G", false},      // one digit, then stop
      {std::string(1, static_cast<char>(0x4A ^ '1')) + "a", "4a51", false},  // lower case too
  };
  for (const Case& c : cases) {
    if (c.scrambles) {
      EXPECT_EQ(ScramblePassword(c.plain, PasswordKey), c.scrambled) << c.plain;
    }
    EXPECT_EQ(UnscramblePassword(c.scrambled, PasswordKey), c.plain) << c.scrambled;
  }
}

}  // namespace
}  // namespace pelvane::settings
