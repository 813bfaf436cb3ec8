// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CliFixture.h"
#include "cli/TerminalQuestion.h"

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;

class CliTest : public CliFixture {
 protected:
  std::string Get(const std::string& section, const std::string& key) {
    return Run({"get", section, key}).out;
  }
};

// Server text (error texts, result cells) reaches the terminal: no control sequence of its own
// may act there.
TEST(TerminalTextTest, ControlCharactersShowAndLineEndsStay) {
  struct Case {
    std::string text, shown;
  } cases[] = {
      {"a\r\nb\n", "a\nb\n"},
      {"tab\there", "tab\there"},
      {"before \x1b]0;owned\x07 \x1b[2J after", "before ^[]0;owned^G ^[[2J after"},
      {"lone\rreturn", "lone^Mreturn"},
      {std::string("nul\0del\x7f", 8), "nul^@del^?"},
      {"csi \xc2\x9b"
       "2J, caf\xc3\xa9, \xe9",
       "csi ?2J, caf\xc3\xa9, \xe9"},
  };
  for (const Case& c : cases) EXPECT_EQ(ForTerminal(c.text), c.shown) << c.shown;
}

TEST_F(CliTest, KeepsTheServerRegistry) {
  EXPECT_EQ(Run({"servers", "add", " srv1 ", "--group", "prod"}).out, "Added SRV1.\n");
  EXPECT_EQ(Run({"servers", "add", "dev1", "--group=Dev"}).code, 0);
  Outcome again = Run({"servers", "add", "Srv1", "--group", "other"});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out, "SRV1 is already listed; nothing changed.\n");
  EXPECT_EQ(Run({"servers", "list"}).out, "SRV1\nDEV1\n");
  EXPECT_EQ(Run({"servers", "list", "--group", "prod"}).out, "SRV1\n");
  EXPECT_EQ(Run({"servers", "groups"}).out, "PROD\nDEV\n");
  EXPECT_EQ(Get("srv1", "ServerGroup"), "PROD\n");
  EXPECT_EQ(Run({"servers", "remove", "dev1"}).out, "Removed DEV1.\n");
  EXPECT_EQ(Run({"servers", "list"}).out, "SRV1\n");
}

TEST_F(CliTest, RefusesBadInputWithOneLineAndStatusTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string err;  // empty: any one-line message
  } cases[] = {
      {{"servers", "add", "  "},
       "pelvanectl: You must enter a valid SQL Server Name or IP Address in the Server text "
       "box.\n"},
      {{"login", "srv1", "--user", "sa"}, "pelvanectl: srv1 is not in the server list.\n"},
      {{"servers", "remove", "srv1"}, "pelvanectl: srv1 is not in the server list.\n"},
      {{"login", "srv1", "--save-anyway=yes"}, ""},
      {{"set", "S", "K", "two\nlines"}, ""},
      {{"get", "S"}, ""},
      {{"servers", "list", "--colour", "red"}, ""},
      {{"frobnicate"}, ""},
      {{}, "pelvanectl: missing command (see pelvanectl --help)\n"},
  };
  for (const Case& c : cases) {
    Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.code, 2) << (c.args.empty() ? "(none)" : c.args[0]);
    if (!c.err.empty()) {
      EXPECT_EQ(outcome.err, c.err);
    }
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
  }
  EXPECT_FALSE(std::filesystem::exists(settings));
}

// The questions' wording for each outcome is the engine's; here the login is tested and stored.
TEST_F(CliTest, TestsTheLoginBeforeStoringIt) {
  testing::StandinServer standin;
  const std::string server = standin.server();
  ASSERT_EQ(Run({"servers", "add", server, "--group", "prod"}).code, 0);

  // Refused: the dialog's question, answered No without a terminal; nothing is stored.
  Outcome refused =
      Run({"login", server, "--user", "sa", "--database", "pubs", "--password-stdin"}, "wrong\n");
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("Login Failed: Login FAILED for user sa on Server: " + server +
                             ". Would you like to add the login information anyway?"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(Get(server, "Login"), "\n");

  Outcome saved = Run({"login", server, "--user", "sa", "--database", "pubs", "--password-stdin"},
                      "Secret1\r\n");
  EXPECT_EQ(saved.code, 0) << saved.err;
  EXPECT_EQ(Get(server, "Login"), "sa\n");
  EXPECT_EQ(Get(server, "Database"), "PUBS\n");

  // A wrong password saved anyway; user and database stay as stored.
  Outcome anyway =
      Run({"login", server, "--password-stdin", "--group", "qa", "--save-anyway"}, "x\n");
  EXPECT_EQ(anyway.code, 0) << anyway.err;
  EXPECT_EQ(Get(server, "Login"), "sa\n");
  EXPECT_EQ(Get(server, "Password"), "49\n");
  EXPECT_EQ(Get(server, "ServerGroup"), "QA\n");

  Outcome empty = Run({"login", server, "--password-stdin"}, "\n");
  EXPECT_EQ(empty.code, 2);
  EXPECT_EQ(empty.err, "pelvanectl: UserName and/or Password not valid, try again!\n");
}

TEST_F(CliTest, ReportsAFileThatCannotBeWrittenWithStatusOne) {
  settings = dir.File("missing-folder/Pelvane.ZRQ");
  Outcome outcome = Run({"set", "S", "K", "V"});
  EXPECT_EQ(outcome.code, 1);
  EXPECT_NE(outcome.err.find("Pelvane.ZRQ"), std::string::npos) << outcome.err;
}

TEST_F(CliTest, LogAppendsToTheLogFileBesideTheSettings) {
  ASSERT_EQ(Run({"set", "Pelvane", "DateTimeFormat", "\"fixed\""}).code, 0);
  Outcome logged = Run({"log", "deployed", "release 7"});
  EXPECT_EQ(logged.code, 0) << logged.err;
  EXPECT_EQ(logged.out, "fixed deployed release 7\n");
  EXPECT_EQ(ReadBytes(dir.File("Pelvane.log")), "fixed deployed release 7\r\n\r\n");

  ASSERT_EQ(Run({"set", "Errors", "LogFile", "runs.log"}).code, 0);
  ASSERT_EQ(Run({"log", "--no-timestamp", "second"}).code, 0);
  EXPECT_EQ(ReadBytes(dir.File("runs.log")), "second\r\n\r\n");
}

TEST_F(CliTest, EveryCommandAnswersHelp) {
  for (std::vector<std::string> args : {std::vector<std::string>{"--help"},
                                        {"get", "--help"},
                                        {"servers", "add", "--help"},
                                        {"log", "--help"}}) {
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.code, 0) << args[0];
    EXPECT_NE(outcome.out.find("usage"), std::string::npos) << args[0];
  }
  EXPECT_NE(Run({"login", "--help"}).out.find("tested by connecting"), std::string::npos);
}

}  // namespace
}  // namespace pelvane::cli
