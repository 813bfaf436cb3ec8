// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/VbNumber.h"

namespace pelvane::engine {
namespace {

TEST(VbNumberTest, ParsesTheClassicForms) {
  // "1e-400" is too small to hold and reads as zero; hex and octal are two's complement in 16
  // bits when they fit, else in 32 bits, and leading zeros do not widen them.
  struct Case {
    const char* text;
    double expected;
  } cases[] = {{"  42\t", 42},     {"-7", -7},         {".5", 0.5},        {"5.", 5},
               {"1.5e+2", 150},    {"25e-1", 2.5},     {"1e-400", 0},      {"&hff", 255},
               {"&H7FFF", 32767},  {"&H8000", -32768}, {"&H10000", 65536}, {"&HFFFFFFFF", -1},
               {"&H0000FFFF", -1}, {"&o177777", -1}};
  for (const Case& c : cases) {
    std::optional<double> value = ParseVbNumber(c.text);
    ASSERT_TRUE(value.has_value()) << c.text;
    EXPECT_DOUBLE_EQ(*value, c.expected) << c.text;
  }
}

TEST(VbNumberTest, RejectsEverythingElse) {
  const char* cases[] = {"",   "12abc", "1,5", ".",     "1E+", "E5",    "+-1",        "0x10",
                         "&H", "&O8",   "- 1", "1e400", "inf", "1.2.3", "&H100000000"};
  for (const char* text : cases)
    EXPECT_FALSE(ParseVbNumber(text).has_value()) << '"' << text << '"';
}

TEST(VbNumberTest, Int16RoundsHalfToEvenWithinRange) {
  struct Case {
    const char* text;
    std::optional<int16_t> expected;
  } cases[] = {{"0.5", 0},     {"1.5", 2},         {"2.5", 2},      {"-2.5", -2},
               {"2.51", 3},    {"32767.4", 32767}, {"32767.5", {}}, {"-32768.5", -32768},
               {"-32769", {}}, {"&HFFFF", -1},     {"&H10000", {}}, {"x", {}}};
  for (const Case& c : cases) EXPECT_EQ(ToInt16(c.text), c.expected) << c.text;
}

TEST(VbNumberTest, SingleFailsOutsideFloatRange) {
  EXPECT_EQ(ToSingle("3.0"), 3.0f);
  EXPECT_EQ(ToSingle("-0.25"), -0.25f);
  EXPECT_EQ(ToSingle("3.4E38"), 3.4e38f);
  EXPECT_FALSE(ToSingle("3.5E38").has_value());
  EXPECT_FALSE(ToSingle("-1E39").has_value());
  EXPECT_EQ(ToSingle("1E-50"), 0.0f);  // underflow is zero, not a failure
  EXPECT_FALSE(ToSingle("three").has_value());
}

}  // namespace
}  // namespace pelvane::engine
