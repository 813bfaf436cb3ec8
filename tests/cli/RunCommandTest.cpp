// SPDX-License-Identifier: GPL-3.0-or-later
// pelvanectl run end to end: the real isqlw and ODBC client against sqlstandin, with the log
// compared line by line. DateTimeFormat "T" makes every timestamp the letter T.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CliFixture.h"

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::StandinServer;
const std::string kSeparator(82, '-');

std::string ScriptSucceeded(const std::string& server, const std::string& script) {
  return kSeparator + "\nT, Server: " + server + ".\nVesk Process for " + script +
         " --> SUCCESSFUL.\n";
}

std::string ServerComplete(const std::string& server) {
  return server + ": Process complete.\n" + kSeparator + "\n\n";
}

class RunCommandTest : public CliFixture {
 protected:
  void SetUp() override { ASSERT_EQ(Run({"set", "Pelvane", "DateTimeFormat", "\"T\""}).code, 0); }

  /// Starts a stand-in with `count` servers, lists each and gives their names in list-box order.
  std::vector<std::string> RegisterAll(int count) {
    StandinServer::Options options;
    options.servers = count;
    standin_ = std::make_unique<StandinServer>(options);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) Register(names.emplace_back(standin_->server(size_t(i))));
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<StandinServer> standin_;
};

TEST_F(RunCommandTest, RunsTheStoredScriptsAndAppendsTheLogFile) {
  const std::vector<std::string> servers = RegisterAll(2);
  const std::string create = Script("create.sql", "CREATE TABLE t1 (id int)\nGO\n");
  const std::string select = Script("select.sql", "SELECT id FROM t1\nGO\n");
  // As the dialog stores two lines of its script box.
  ASSERT_EQ(Run({"set", "Script", "ScriptPath", create + "vbChr13vbChr10" + select}).code, 0);

  // Side by side, the log is still the sequential one (the engine's rule; here it is reached).
  Outcome run = Run({"run", "--group", "prod", "--parallel", "2"});
  std::string expected, logged;
  for (const std::string& server : servers)
    expected +=
        ScriptSucceeded(server, create) + ScriptSucceeded(server, select) + ServerComplete(server);
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err + std::to_string(run.code), "0");
  for (char c : expected) logged += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ReadBytes(dir.File("Pelvane.log")), logged + "\r\n");

  // Simple Script mode ignores the script list, its results go to the CSV file.
  const std::string csv = dir.File("grid.csv");
  Outcome simple = Run({"run", "--group", "prod", "--script", select, "--simple-script",
                        "SELECT 1 AS a", "--csv", csv});
  EXPECT_EQ(simple.code, 0) << simple.err;
  EXPECT_FALSE(Contains(simple.out, "Vesk")) << simple.out;
  EXPECT_EQ(ReadBytes(csv), "Server,a\r\n\"" + servers[0] + "\",1\r\n\"" + servers[1] + "\",1\r\n");
}

// The rules of a break and an end live in the engine's tests; here: the exit status, the hint
// to continue, and the report whose failed and not run servers --failed-from takes again.
TEST_F(RunCommandTest, ABreakTellsWhereToContinueAndFailedFromTakesWhatFailedOrDidNotRun) {
  const std::vector<std::string> servers = RegisterAll(3);
  const std::string& missing = servers[1];  // the only one without the table
  const std::string setup = Script("setup.sql", "CREATE TABLE orders (item varchar(20))\nGO\n");
  ASSERT_EQ(Run({"run", "--server", servers[0], "--server", servers[2], "--script", setup}).code,
            0);
  const std::string query = Script("query.sql", "SELECT item FROM orders\nGO\n");
  ASSERT_EQ(Run({"set", "Errors", "MessagesTo", "Window"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "WhenOccurs", "2"}).code, 0);

  const std::string report = dir.File("first.json");
  Outcome broken = Run({"run", "--group", "prod", "--script", query, "--report", report});
  EXPECT_EQ(broken.err + std::to_string(broken.code),
            "pelvanectl: the run stopped after an error; continue with --start-index 3\n1");

  // With the table made, the failed and the never reached server run again, in list order.
  ASSERT_EQ(Run({"run", "--server", missing, "--script", setup}).code, 0);
  Outcome again = Run({"run", "--failed-from", report, "--script", query});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.err, "pelvanectl: " + report + ": taking 1 failed and 1 not run servers\n");
  EXPECT_EQ(again.out, ScriptSucceeded(missing, query) + ServerComplete(missing) +
                           ScriptSucceeded(servers[2], query) + ServerComplete(servers[2]));
}

TEST_F(RunCommandTest, AnErrorShownDuringTheRunFailsIt) {
  ASSERT_EQ(Run({"servers", "add", "SRV1"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "LogFile", dir.File("missing/run.log")}).code, 0);

  Outcome run = Run({"run", "--server", "SRV1"});

  EXPECT_EQ(run.out, "No script(s) to vesk.\n" + ServerComplete("SRV1"));
  EXPECT_EQ(run.err.rfind("[The Pelvane Tool] ", 0), 0u) << run.err;
  EXPECT_TRUE(Contains(run.err, "missing/run.log")) << run.err;
  EXPECT_EQ(run.code, 1);
}

// The question's rule is the engine's; here how a terminal-less run answers it. It comes when
// other steps (the copy) could go on.
TEST_F(RunCommandTest, AQuestionTakesTheSafeAnswerOrTheGivenOne) {
  const std::string server = RegisterAll(1)[0];
  std::filesystem::create_directory(dir.File("empty"));
  std::filesystem::create_directory(dir.File("target"));
  ASSERT_EQ(Run({"set", "Pelvane", "QAPath", dir.File("empty")}).code, 0);
  ASSERT_EQ(Run({"set", server, "CopyPath", dir.File("target")}).code, 0);
  const std::string payload = Script("payload.txt", "payload");
  std::vector<std::string> run{
      "run",    "--server", server,       "--script", Script("s.sql", "SELECT 1\nGO\n"),
      "--copy", payload,    "--overwrite"};
  auto answered = [](const Outcome& outcome, const std::string& answer) {
    return outcome.err.rfind("[Query Analyzer Not Installed] ", 0) == 0 &&
           Contains(outcome.err, " Continue other tasks?\n-> " + answer + "\n");
  };

  // Without a terminal or --answer: No, and the run ends without writing the log file.
  Outcome safe = Run(run);
  EXPECT_TRUE(answered(safe, "No (no terminal, no --answer)")) << safe.err;
  EXPECT_EQ(safe.code, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Pelvane.log")));

  run.insert(run.end(), {"--answer", "yes"});
  Outcome yes = Run(run);
  EXPECT_TRUE(answered(yes, "Yes (--answer)")) << yes.err;
  EXPECT_TRUE(std::filesystem::exists(dir.File("target/payload.txt")));
  EXPECT_EQ(yes.code, 1);
}

}  // namespace
}  // namespace pelvane::cli
