// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "CliFixture.h"
#include "cli/Command.h"
#include "cli/TerminalQuestion.h"

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::StandinServer;

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

// The registry's rules are the settings tests'; here each subcommand reaches them.
TEST_F(CliTest, KeepsTheServerRegistry) {
  EXPECT_EQ(Run({"servers", "add", " srv1 ", "--group", "prod"}).out, "Added SRV1.\n");
  Outcome again = Run({"servers", "add", "Srv1", "--group", "other"});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out, "SRV1 is already listed; nothing changed.\n");
  EXPECT_EQ(Run({"servers", "list", "--group", "prod"}).out, "SRV1\n");
  EXPECT_EQ(Run({"servers", "groups"}).out, "PROD\n");
  EXPECT_EQ(Run({"servers", "remove", "srv1"}).out, "Removed SRV1.\n");
  EXPECT_EQ(Run({"servers", "list"}).out, "");
}

// Every refusal of bad usage, of any command: status 2, the reason on standard error, nothing
// run, written or logged.
TEST_F(CliTest, RefusesBadUsageWithStatusTwoAndChangesNothing) {
  const std::string server = "SRV1";  // no login test reaches it: each is refused before
  ASSERT_EQ(Run({"servers", "add", server, "--group", "prod"}).code, 0);
  const std::string script = Script("a.sql", "SELECT 1\nGO\n");
  std::vector<std::string> manyScripts{"run", "--server", server};
  for (int i = 0; i < 101; ++i) manyScripts.insert(manyScripts.end(), {"--script", script});
  const std::string before = ReadBytes(settings);
  struct Case {
    std::vector<std::string> args;
    std::string err;  // the message, or the part of it that is ours
  } cases[] = {
      {{}, "pelvanectl: missing command (see pelvanectl --help)\n"},
      {{"frobnicate"}, "pelvanectl: unknown command frobnicate"},
      {{"--settings"}, "--settings needs a file name"},
      {{"get", "S"}, "pelvanectl: usage: get SECTION KEY\n"},
      {{"login", server, "--encrypt", "sometimes"}, "--encrypt"},
      // Refused before the login is tested, which would otherwise end in "Nothing saved."
      {{"login", server, "--user", "?sa", "--database", "pubs", "--password-stdin"},
       "A login cannot begin with \"?\""},
      {{"run", "--server", "srv2"}, "pelvanectl: srv2 is not in the server list.\n"},
      {{"run", "srv1"},
       "pelvanectl: run takes no arguments besides its options (see run --help)\n"},
      {{"run", "--server", server, "--script", script, "--start-index", "2"},
       "--start-index 2 is past the end of the list of 1 server"},
      {{"run", "--server", "srv1", "--answer", "maybe"},
       "pelvanectl: --answer needs yes, no or cancel\n"},
      {{"run", "--server", "srv1", "--parallel", "65"}, "pelvanectl: --parallel"},
      {{"run", "--server", server, "--script-timeout", "soon"}, "--script-timeout"},
      {manyScripts, "at most 100 --script paths"},
      {{"run", "--server", server, "--script", script + "|" + script}, "a path cannot hold \"|\""},
      {{"run", "--server", "srv1", "--script", "x.sql", "--csv", dir.File("x.csv")},
       "pelvanectl: --csv writes the Simple Script results: give --simple-script\n"},
      {{"run", "--failed-from", dir.File("r.json"), "--server", "SRV1"},
       "pelvanectl: --failed-from cannot be given with --server or --group"},
      {{"run", "--server", "srv1", "--append", "--no-append"},
       "pelvanectl: --append and --no-append cannot both be given\n"},
      {{"run", "--server", "srv1", "--script", dir.File("nosuch.sql")},
       "This file cannot be read, so the run did not start and no server was contacted"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Run(c.args, "Secret1\n");
    const std::string what = c.args.empty() ? "(none)" : c.args[0] + " " + c.args.back();
    EXPECT_EQ(outcome.code, 2) << what << ": " << outcome.err;
    EXPECT_NE(outcome.err.find(c.err), std::string::npos) << what << ": " << outcome.err;
    EXPECT_EQ(outcome.out, "") << what;
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
  EXPECT_NE(refused.err.find("Login Failed: Login FAILED for user sa on Server: " + server +
                             ". Would you like to add the login information anyway?"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(Get(server, "Login"), "\n");
  EXPECT_EQ(Run(login, "Secret1\r\n").code, 0);
  EXPECT_EQ(Get(server, "Database"), "PUBS\n");

  // A wrong password saved anyway; user and database stay as stored.
  EXPECT_EQ(
      Run({"login", server, "--password-stdin", "--group", "qa", "--save-anyway"}, "x\n").code, 0);
  EXPECT_EQ(Get(server, "Login") + Get(server, "Password") + Get(server, "ServerGroup"),
            "sa\n49\nQA\n");

  // The encryption options reach the login test (the stand-in speaks no TLS) and are stored.
  std::vector<std::string> encrypted{"login",     server,      "--password-stdin",
                                     "--encrypt", "mandatory", "--host-name-in-certificate",
                                     "db.test"};
  EXPECT_EQ(Run(encrypted, "Secret1\n").code, 1);
  EXPECT_EQ(Get(server, "Encrypt"), "\n");
  encrypted.push_back("--save-anyway");
  EXPECT_EQ(Run(encrypted, "Secret1\n").code, 0);
  EXPECT_EQ(Get(server, "Encrypt") + Get(server, "HostNameInCertificate"), "Mandatory\ndb.test\n");

  Outcome empty = Run({"login", server, "--password-stdin"}, "\n");
  EXPECT_EQ(empty.code, 2);
  EXPECT_EQ(empty.err, "pelvanectl: UserName and/or Password not valid, try again!\n");
}

// One check before every command; a pipe would block if it were read.
TEST_F(CliTest, ASettingsFileThatCannotBeReadOrWrittenIsReportedWithStatusOne) {
  std::filesystem::create_directory(dir.File("folder.ZRQ"));
  ASSERT_EQ(::mkfifo(dir.File("pipe.ZRQ").c_str(), 0600), 0);
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {dir.File("missing-folder/Pelvane.ZRQ"), {"set", "S", "K", "V"}},
      {dir.File("folder.ZRQ"), {"servers", "list"}},
      {dir.File("pipe.ZRQ"), {"servers", "list"}},
  };
  for (const auto& [file, args] : cases) {
    settings = file;
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.code, 1) << file;
    EXPECT_NE(outcome.err.find(file), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
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
  Outcome outcome = Run({"servers", "add", "--help"});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_NE(outcome.out.find("usage"), std::string::npos) << outcome.out;
  // The run's help names every option it takes.
  const std::string run = Run({"run", "--help"}).out;
  const OptionSpec options = RunCommands().at(0).options;
  for (const std::set<std::string>& names : {options.withValue, options.flags}) {
    for (const std::string& name : names)
      EXPECT_NE(run.find("\n  --" + name + " "), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace pelvane::cli
