// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "querytool/CommandLine.h"
#include "querytool/ServerAddress.h"

namespace pelvane::querytool {
namespace {

// The separate form is what the run uses (covered end to end); here the attached form, where
// the password comes from and help.
TEST(CommandLineTest, AttachedValuesPasswordSourcesAndHelp) {
  Result<Options> attached = ParseCommandLine(
      {"-Ssrv", "-dpubs", "-Usa", "-ia.sql", "-oout", "--check-after=5"}, std::string("env;pw"));
  ASSERT_TRUE(attached.ok()) << attached.status().message();
  EXPECT_EQ(
      std::vector<std::string>({attached->server, attached->database, attached->login,
                                attached->password, attached->scriptPath, attached->outputPath}),
      std::vector<std::string>({"srv", "pubs", "sa", "env;pw", "a.sql", "out"}));
  EXPECT_FALSE(attached->help);
  EXPECT_EQ(attached->checkAfterSeconds, 5);
  // -P wins over the environment, even when empty.
  for (const std::string password : {"pw", ""}) {
    Result<Options> options =
        ParseCommandLine({"-Ss", "-Uu", "-ii", "-oo", "-P", password}, std::string("env"));
    EXPECT_TRUE(options.ok() && options->password == password) << password;
  }
  for (const char* flag : {"--help", "-?", "/?"}) {
    Result<Options> options = ParseCommandLine({"-S", "s", flag}, std::nullopt);
    EXPECT_TRUE(options.ok() && options->help) << flag;
  }
}

TEST(CommandLineTest, RefusesBadUsageWithoutRepeatingThePassword) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "Option -o is required"},
      {{"-o"}, "Option -o needs a value"},
      {{"-o", "o", "-S", "t"}, "Option -S given twice"},
      {{"-o", "o", "-X"}, "Unknown option \"-X\""},
      {{"-o", "o", "-P", "Secret1", "-P", "Secret1"}, "Option -P given twice"},
      {{"-o", "o", "-PSecret1", "-Z"}, "Unknown option \"-Z\""},
      {{"-o", "o", "--check-time", "0"},
       "Option --check-time needs a number of seconds (1 or more)"},
      {{"-o", "o", "--check-after=-1"},
       "Option --check-after needs a number of seconds (0 for no check)"},
  };
  for (const auto& [more, message] : cases) {
    std::vector<std::string> args{"-S", "s", "-U", "u", "-i", "i"};
    args.insert(args.end(), more.begin(), more.end());
    Result<Options> options = ParseCommandLine(args, std::nullopt);
    ASSERT_FALSE(options.ok()) << message;
    EXPECT_EQ(options.status().message(), message);
    EXPECT_EQ(options.status().message().find("Secret1"), std::string::npos);
  }
}

TEST(ServerAddressTest, AllServerFormsBecomeHostColonPort) {
  const std::pair<std::string, std::string> cases[] = {
      {"127.0.0.1,14998", "127.0.0.1:14998"},
      {" dbhost , 1500 ", "dbhost:1500"},
      {"dbhost", "dbhost:1433"},
      {"dbhost\\SQL2019", "dbhost\\SQL2019"},
      {"dbhost,", "refused"},
      {"dbhost,0", "refused"},
      {"dbhost,65536", "refused"},
      {",1433", "refused"},
  };
  for (const auto& [given, expected] : cases) {
    Result<std::string> name = DbLibServerName(given);
    EXPECT_EQ(name.ok() ? *name : "refused", expected) << given;
  }
}

}  // namespace
}  // namespace pelvane::querytool
