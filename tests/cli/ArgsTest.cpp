// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "cli/Args.h"

namespace pelvane::cli {
namespace {

TEST(ArgsTest, SplitsPositionalsAndOptions) {
  OptionSpec spec{{"group", "user"}, {"password-stdin"}};
  struct Case {
    std::vector<std::string> tokens;
    bool ok;
    std::vector<std::string> positional;
    std::string group;
  } cases[] = {
      {{"srv1", "--group", "prod"}, true, {"srv1"}, "prod"},
      {{"--group=prod", "srv1"}, true, {"srv1"}, "prod"},
      {{"--group="}, true, {}, ""},
      {{"--", "--group", "x"}, true, {"--group", "x"}, "<none>"},  // "--" ends the options
      {{"-x", "--password-stdin"}, true, {"-x"}, "<none>"},
      {{"--group"}, false, {}, ""},
      {{"--password-stdin=yes"}, false, {}, ""},
      {{"--colour", "red"}, false, {}, ""},
  };
  for (const Case& c : cases) {
    Result<Args> args = Args::Parse(c.tokens, spec);
    ASSERT_EQ(args.ok(), c.ok) << c.tokens[0];
    if (!c.ok) continue;
    EXPECT_EQ(args->positional(), c.positional);
    EXPECT_EQ(args->Value("group").value_or("<none>"), c.group);
  }
}

TEST(ArgsTest, KeepsEveryValueOfARepeatedOption) {
  OptionSpec spec{{"server", "group"}, {"overwrite"}};
  Result<Args> args = Args::Parse({"--server", "a", "--group", "g1", "--server=b", "--overwrite",
                                   "--server", "", "--group", "g2"},
                                  spec);
  ASSERT_TRUE(args.ok());
  EXPECT_EQ(args->Values("server"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(args->Values("group"), (std::vector<std::string>{"g1", "g2"}));
  EXPECT_EQ(args->Value("group"), "g2");  // the single-value view keeps the last
  EXPECT_TRUE(args->Has("overwrite"));
  EXPECT_TRUE(args->Values("copy").empty());
}

}  // namespace
}  // namespace pelvane::cli
