// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/SplitList.h"

namespace pelvane::engine {
namespace {

TEST(SplitListTest, ItemsInOrderUntrimmed) {
  struct Case {
    std::string text;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"a.sql|b.sql", {"a.sql", "b.sql"}},
      {"a.sql\r\nb.sql", {"a.sql", "b.sql"}},
      {"a.sql||b.sql", {"a.sql", "", "b.sql"}},
      {" a.sql | b.sql ", {" a.sql ", " b.sql "}},
      {"a.sql\nb\r.sql", {"a.sql\nb\r.sql"}},  // only a carriage return and line feed separate
      {"", {""}},
  };
  for (const Case& c : cases) {
    Result<std::vector<std::string>> items = SplitList(c.text);
    ASSERT_TRUE(items.ok()) << c.text;
    EXPECT_EQ(*items, c.items) << c.text;
  }
}

TEST(SplitListTest, AtMostOneHundredItems) {
  std::string hundred = "f1";
  for (int k = 2; k <= 100; ++k) hundred += "|f" + std::to_string(k);
  Result<std::vector<std::string>> items = SplitList(hundred);
  ASSERT_TRUE(items.ok());
  ASSERT_EQ(items->size(), 100u);
  EXPECT_EQ(items->back(), "f100");

  Result<std::vector<std::string>> refused = SplitList(hundred + "\r\nf101");
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.status().number(), 9);
}

TEST(SplitListTest, PathsThatWouldSplitAreRefused) {
  for (const char* path : {"a.sql|b.sql", "a.sql\r\nb.sql", "a\nb", "|"})
    EXPECT_EQ(CheckListPath(path).number(), kInvalidArgument) << path;
  for (const char* path : {"a.sql", "/x y/a;b.sql", ""}) EXPECT_TRUE(CheckListPath(path)) << path;
}

}  // namespace
}  // namespace pelvane::engine
