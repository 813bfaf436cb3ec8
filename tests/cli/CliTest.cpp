// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "CliFixture.h"
#include "cli/TerminalQuestion.h"

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::StandinServer;
using CliTest = CliFixture;

// Server text (error texts, result cells) reaches the terminal: no control sequence of its own
// may act there.
TEST(TerminalTextTest, ControlCharactersShowAndLineEndsStay) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\r\nb\n", "a\nb\n"},
      {"tab\there", "tab\there"},
      {"before \x1b]0;owned\x07 \x1b[2J after", "before ^[]0;owned^G ^[[2J after"},
      {"lone\rreturn", "lone^Mreturn"},
      {std::string("nul\0del\x7f", 8), "nul^@del^?"},
      {"csi \xc2\x9b\x32J, caf\xc3\xa9, \xe9", "csi ?2J, caf\xc3\xa9, \xe9"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(ForTerminal(text), shown);
}

// Every refusal of bad usage: status 2, the reason on standard error, nothing run, written or
// logged.
TEST_F(CliTest, RefusesBadUsageWithStatusTwoAndChangesNothing) {
  const std::string server = "SRV1";  // no login test reaches it: each is refused before
  ASSERT_EQ(Run({"servers", "add", server, "--group", "prod"}).code, 0);
  const std::string script = Script("a.sql", "SELECT 1\nGO\n");
  const std::string before = ReadBytes(settings);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "pelvanectl: missing command (see pelvanectl --help)\n"},
      // Refused before the login is tested, which would otherwise end in "Nothing saved."
      {{"login", server, "--user", "?sa", "--database", "pubs", "--password-stdin"},
       "A login cannot begin with \"?\""},
      {{"run", "--server", "srv2"}, "pelvanectl: srv2 is not in the server list.\n"},
      {{"run", "--server", server, "--script", script, "--start-index", "2"},
       "--start-index 2 is past the end of the list of 1 server"},
      {{"run", "--server", "srv1", "--parallel", "65"}, "pelvanectl: --parallel"},
      {{"run", "--failed-from", dir.File("r.json"), "--server", "SRV1"},
       "pelvanectl: --failed-from cannot be given with --server or --group"},
      {{"run", "--server", "srv1", "--script", dir.File("nosuch.sql")},
       "This file cannot be read, so the run did not start and no server was contacted"},
  };
  for (const auto& [args, err] : cases) {
    const Outcome outcome = Run(args, "Secret1\n");
    SCOPED_TRACE(args.empty() ? "(none)" : args[0] + " " + args.back() + ": " + outcome.err);
    EXPECT_EQ(outcome.code, 2);
    EXPECT_TRUE(Contains(outcome.err, err));
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(ReadBytes(settings), before);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Pelvane.log")));
}

// The questions' wording for each outcome is the engine's; here the login is tested and stored.
TEST_F(CliTest, TestsTheLoginBeforeStoringIt) {
  StandinServer standin;
  const std::string server = standin.server();
  ASSERT_EQ(Run({"servers", "add", server, "--group", "prod"}).code, 0);
  const std::vector<std::string> login{"login",      server, "--user",          "sa",
                                       "--database", "pubs", "--password-stdin"};

  // Refused: the dialog's question, answered No without a terminal; nothing is stored.
  Outcome refused = Run(login, "wrong\n");
  EXPECT_EQ(refused.code, 1);
  EXPECT_TRUE(Contains(refused.err, "Login Failed: Login FAILED for user sa on Server: " + server +
                                        ". Would you like to add the login information anyway?"))
      << refused.err;
  EXPECT_EQ(Get(server, "Login"), "");
  EXPECT_EQ(Run(login, "Secret1\r\n").code, 0);
  EXPECT_EQ(Run({"get", server, "Database"}).out, "PUBS\n");

  // The encryption options reach the login test (the stand-in speaks no TLS); saved anyway,
  // they are stored while user and database stay as they were.
  std::vector<std::string> encrypted{
      "login",     server,      "--password-stdin",           "--group", "qa",
      "--encrypt", "mandatory", "--host-name-in-certificate", "db.test"};
  EXPECT_EQ(Run(encrypted, "Secret1\n").code, 1);
  encrypted.push_back("--save-anyway");
  EXPECT_EQ(Run(encrypted, "Secret1\n").code, 0);
  EXPECT_EQ(Get(server, "Login") + Get(server, "Database") + Get(server, "ServerGroup") +
                Get(server, "Encrypt") + Get(server, "HostNameInCertificate"),
            "saPUBSQAMandatorydb.test");
}

// One check before every command; a pipe would block if it were read.
TEST_F(CliTest, ASettingsFileThatCannotBeReadOrWrittenIsReportedWithStatusOne) {
  settings = dir.File("pipe.ZRQ");
  ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
  const Outcome outcome = Run({"servers", "list"});
  EXPECT_EQ(outcome.out + std::to_string(outcome.code), "1");
  EXPECT_TRUE(Contains(outcome.err, settings)) << outcome.err;
}

TEST_F(CliTest, LogAppendsToTheLogFileBesideTheSettings) {
  ASSERT_EQ(Run({"set", "Pelvane", "DateTimeFormat", "\"fixed\""}).code, 0);
  ASSERT_EQ(Run({"log", "deployed", "release 7"}).code, 0);
  ASSERT_EQ(Run({"log", "--no-timestamp", "second"}).code, 0);
  EXPECT_EQ(ReadBytes(dir.File("Pelvane.log")), "fixed deployed release 7\r\n\r\nsecond\r\n\r\n");
}

}  // namespace
}  // namespace pelvane::cli
