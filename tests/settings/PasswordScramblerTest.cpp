// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "settings/PasswordScrambler.h"

namespace pelvane::settings {
namespace {

TEST(PasswordScramblerTest, ScramblesByteExactWithTheStoredForm) {
  // Values as the settings files already in use hold them.
  struct Case {
    std::string plain, scrambled;
  } cases[] = {
      {"", ""},
      {"sa", "4251"},
      {"Password1!", "61514A42465E43540910"},
      // 14 characters: wraps past the 12 key digits back to the first.
      {"abcdefghijklmn", "50525A5554575658515B5B5D5C5E"},
      // "?" meets the key digit "1": 0x3F ^ 0x31 = 0x0E, written with a leading zero.
      {"?", "0E"},
      {"\xE9", "D8"},  // bytes above 0x7F too
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScramblePassword(c.plain, PasswordKey), c.scrambled) << c.plain;
    EXPECT_EQ(UnscramblePassword(c.scrambled, PasswordKey), c.plain) << c.scrambled;
  }
}

TEST(PasswordScramblerTest, TextThatWasNeverScrambledReadsAsHexPrefixes) {
  // Each pair is read as hexadecimal up to its first non-digit; the key digit still advances.
  struct Case {
    std::string stored;
    std::string plain;
  } cases[] = {
      {"4", std::string(1, static_cast<char>(0x4 ^ '1'))},            // odd length: one digit
      {"42G", std::string("s") + static_cast<char>(0 ^ '0')},         // "G" alone gives 0
      {"G1", std::string(1, static_cast<char>(0 ^ '1'))},             // stops at once
      {"1G", std::string(1, static_cast<char>(1 ^ '1'))},             // one digit, then stop
      {"4a51", std::string(1, static_cast<char>(0x4A ^ '1')) + "a"},  // lower case is hex too
  };
  for (const Case& c : cases)
    EXPECT_EQ(UnscramblePassword(c.stored, PasswordKey), c.plain) << c.stored;
}

}  // namespace
}  // namespace pelvane::settings
