// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "cli/Args.h"

namespace pelvane::cli {
namespace {

std::string Joined(const std::vector<std::string>& parts) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) joined += (i ? "," : "") + parts[i];
  return joined;
}

TEST(ArgsTest, SplitsPositionalsAndOptions) {
  const OptionSpec spec{{"group", "user"}, {"password-stdin"}};
  // The positionals, then every value of --group in order; the single-value view keeps the last.
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"srv1", "--group", "prod"}, "srv1 | prod"},
      {{"--group=a", "srv1", "--group=", "--password-stdin", "--group", "b"}, "srv1 | a,,b"},
      {{"--", "--group", "x"}, "--group,x | "},  // "--" ends the options
      {{"-x", "--password-stdin"}, "-x | "},
      {{"--group"}, "refused"},
      {{"--password-stdin=yes"}, "refused"},
      {{"--colour", "red"}, "refused"},
  };
  for (const auto& [tokens, expected] : cases) {
    Result<Args> args = Args::Parse(tokens, spec);
    const std::vector<std::string> groups =
        args ? args->Values("group") : std::vector<std::string>{};
    EXPECT_EQ(args ? Joined(args->positional()) + " | " + Joined(groups) : "refused", expected);
    if (args) {
      EXPECT_EQ(args->Value("group").value_or("<none>"), groups.empty() ? "<none>" : groups.back());
    }
  }
}

}  // namespace
}  // namespace pelvane::cli
