// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "querytool/CommandLine.h"
#include "querytool/ServerAddress.h"

namespace pelvane::querytool {
namespace {

const std::vector<std::string> kFull{"-S", "srv,1500", "-d", "pubs",  "-U", "sa",
                                     "-P", "pw",       "-i", "a.sql", "-o", "out.log"};

// The separate form is what the run uses (covered end to end); here the attached form.
TEST(CommandLineTest, ReadsOptionsWithTheirValuesAttached) {
  Result<Options> attached = ParseCommandLine(
      {"-Ssrv", "-dpubs", "-Usa", "-ia.sql", "-oout", "--check-after=5"}, std::nullopt);
  ASSERT_TRUE(attached.ok()) << attached.status().message();
  EXPECT_EQ(
      std::vector<std::string>({attached->server, attached->database, attached->login,
                                attached->password, attached->scriptPath, attached->outputPath}),
      std::vector<std::string>({"srv", "pubs", "sa", "", "a.sql", "out"}));
  EXPECT_FALSE(attached->help);
  EXPECT_EQ(attached->checkAfterSeconds, 5);
}

TEST(CommandLineTest, PasswordFromTheEnvironmentUnlessGiven) {
  EXPECT_EQ(ParseCommandLine(kFull, std::string("env"))->password, "pw");
  Result<Options> fromEnv =
      ParseCommandLine({"-S", "s", "-U", "u", "-i", "i", "-o", "o"}, std::string("env;pw"));
  EXPECT_EQ(fromEnv->password, "env;pw");
  // An empty -P is still a given password.
  Result<Options> empty =
      ParseCommandLine({"-S", "s", "-U", "u", "-P", "", "-i", "i", "-o", "o"}, std::string("env"));
  EXPECT_EQ(empty->password, "");
}

TEST(CommandLineTest, RefusesBadUsageWithoutRepeatingThePassword) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"-S", "s", "-U", "u", "-i", "i"}, "Option -o is required"},
      {{"-S", "s", "-U", "u", "-i", "i", "-o"}, "Option -o needs a value"},
      {{"-S", "s", "-S", "t", "-U", "u", "-i", "i", "-o", "o"}, "Option -S given twice"},
      {{"-S", "s", "-U", "u", "-i", "i", "-o", "o", "-X"}, "Unknown option \"-X\""},
      {{"-S", "s", "-U", "u", "-P", "Secret1", "-P", "Secret1", "-i", "i", "-o", "o"},
       "Option -P given twice"},
      {{"-S", "s", "-U", "u", "-PSecret1", "-Z", "-i", "i", "-o", "o"}, "Unknown option \"-Z\""},
      {{"-S", "s", "-U", "u", "-i", "i", "-o", "o", "--check-time", "0"},
       "Option --check-time needs a number of seconds (1 or more)"},
      {{"-S", "s", "-U", "u", "-i", "i", "-o", "o", "--check-after=-1"},
       "Option --check-after needs a number of seconds (0 for no check)"},
  };
  for (const Case& c : cases) {
    Result<Options> options = ParseCommandLine(c.args, std::nullopt);
    ASSERT_FALSE(options.ok()) << c.message;
    EXPECT_EQ(options.status().message(), c.message);
    EXPECT_EQ(options.status().message().find("Secret1"), std::string::npos);
  }
}

TEST(CommandLineTest, HelpWins) {
  for (const char* flag : {"--help", "-?", "/?"}) {
    Result<Options> options = ParseCommandLine({"-S", "s", flag}, std::nullopt);
    ASSERT_TRUE(options.ok()) << flag;
    EXPECT_TRUE(options->help) << flag;
  }
}

TEST(ServerAddressTest, AllServerFormsBecomeHostColonPort) {
  struct Case {
    std::string given;
    std::string expected;  // empty: refused
  };
  const Case cases[] = {
      {"127.0.0.1,14998", "127.0.0.1:14998"},
      {" dbhost , 1500 ", "dbhost:1500"},
      {"dbhost", "dbhost:1433"},
      {"dbhost\\SQL2019", "dbhost\\SQL2019"},
      {"dbhost,", ""},
      {"dbhost,0", ""},
      {"dbhost,65536", ""},
      {",1433", ""},
  };
  for (const Case& c : cases) {
    Result<std::string> name = DbLibServerName(c.given);
    if (c.expected.empty()) {
      EXPECT_FALSE(name.ok()) << c.given;
    } else {
      ASSERT_TRUE(name.ok()) << c.given << ": " << name.status().message();
      EXPECT_EQ(*name, c.expected);
    }
  }
}

}  // namespace
}  // namespace pelvane::querytool
