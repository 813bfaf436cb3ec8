// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "cli/Args.h"

namespace pelvane::cli {
namespace {

TEST(ArgsTest, SplitsPositionalsAndOptions) {
  OptionSpec spec{{"group", "user"}, {"password-stdin"}};
  using Strings = std::vector<std::string>;
  struct Case {
    Strings tokens;
    bool ok;
    Strings positional, groups;  // every value of a repeated option, in order
  } cases[] = {
      {{"srv1", "--group", "prod"}, true, {"srv1"}, {"prod"}},
      {{"--group=a", "srv1", "--group=", "--password-stdin", "--group", "b"},
       true,
       {"srv1"},
       {"a", "", "b"}},
      {{"--", "--group", "x"}, true, {"--group", "x"}, {}},  // "--" ends the options
      {{"-x", "--password-stdin"}, true, {"-x"}, {}},
      {{"--group"}, false, {}, {}},
      {{"--password-stdin=yes"}, false, {}, {}},
      {{"--colour", "red"}, false, {}, {}},
  };
  for (const Case& c : cases) {
    Result<Args> args = Args::Parse(c.tokens, spec);
    ASSERT_EQ(args.ok(), c.ok) << c.tokens[0];
    if (!c.ok) continue;
    EXPECT_EQ(args->positional(), c.positional);
    EXPECT_EQ(args->Values("group"), c.groups);
    // The single-value view keeps the last.
    EXPECT_EQ(args->Value("group").value_or("<none>"),
              c.groups.empty() ? "<none>" : c.groups.back());
  }
}

}  // namespace
}  // namespace pelvane::cli
