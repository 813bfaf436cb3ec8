// SPDX-License-Identifier: GPL-3.0-or-later
// pelvanectl run end to end: the real isqlw and ODBC client against sqlstandin, with the log
// compared line by line. DateTimeFormat "T" makes every timestamp the letter T.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "CliFixture.h"
#include "cli/Command.h"
#include "engine/ReportFile.h"

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::StandinServer;
using pelvane::testing::WriteBytes;
using Lines = std::vector<std::string>;

const std::string kSeparator(82, '-');

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Lines ScriptSucceeded(const std::string& server, const std::string& script) {
  return {kSeparator, "T, Server: " + server + ".",
          "Vesk Process for " + script + " --> SUCCESSFUL."};
}

Lines ServerComplete(const std::string& server) {
  return {server + ": Process complete.", kSeparator, ""};
}

/// The details of a script that reads a table the server lacks.
Lines OrdersMissing(const std::string& server) {
  return {kSeparator,
          "Error in Vesk Process: ",
          "Server: [" + server + "] @ T",
          "Server: Msg 208",
          "Level 16",
          "State 1",
          "Line 1",
          "Invalid object name 'orders'."};
}

StandinServer::Options Servers(int count) {
  StandinServer::Options options;
  options.servers = count;
  return options;
}

class RunCommandTest : public CliFixture {
 protected:
  void SetUp() override { ASSERT_EQ(Run({"set", "Pelvane", "DateTimeFormat", "\"T\""}).code, 0); }

  /// Lists every server of the stand-in and gives their names in list-box order.
  std::vector<std::string> RegisterAll(const StandinServer& standin, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
      names.push_back(standin.server(static_cast<size_t>(i)));
      Register(names.back());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(RunCommandTest, RunsTheStoredScriptsOnEveryServerAndAppendsTheLogFile) {
  StandinServer standin(Servers(2));
  const std::vector<std::string> servers = RegisterAll(standin, 2);
  const std::string create = Script("create.sql", "CREATE TABLE t1 (id int)\nGO\n");
  const std::string select = Script("select.sql", "SELECT id FROM t1\nGO\n");
  // As the dialog stores two lines of its script box.
  ASSERT_EQ(Run({"set", "Script", "ScriptPath", create + "vbChr13vbChr10" + select}).code, 0);

  Outcome run = Run({"run", "--group", "prod"});

  Lines expected;
  for (const std::string& server : servers) {
    expected = expected + ScriptSucceeded(server, create) + ScriptSucceeded(server, select) +
               ServerComplete(server);
  }
  EXPECT_EQ(SplitLines(run.out), expected);
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.err, "");
  std::string logged;
  for (const std::string& line : expected) logged += line + "\r\n";
  EXPECT_EQ(ReadBytes(dir.File("Pelvane.log")), logged + "\r\n");

  // --server and --script take the place of the stored lists.
  Outcome again = Run({"run", "--server", servers[1], "--script", select});
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(SplitLines(again.out),
            ScriptSucceeded(servers[1], select) + ServerComplete(servers[1]));
}

// The rules of a break and an end live in the engine's tests; here: the exit status, the hint
// to continue, and the collected lines an end prints.
TEST_F(RunCommandTest, ABreakTellsWhereToContinueAndAnEndPrintsTheCollectedLines) {
  StandinServer standin(Servers(3));
  const std::vector<std::string> servers = RegisterAll(standin, 3);
  const std::string& missing = servers[1];  // the only one without the table
  const std::string setup = Script("setup.sql", "CREATE TABLE orders (item varchar(20))\nGO\n");
  ASSERT_EQ(Run({"run", "--server", servers[0], "--server", servers[2], "--script", setup}).code,
            0);
  const std::string query = Script("query.sql", "SELECT item FROM orders\nGO\n");
  ASSERT_EQ(Run({"set", "Errors", "MessagesTo", "Window"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "WhenOccurs", "2"}).code, 0);

  Outcome broken = Run({"run", "--group", "prod", "--script", query});
  EXPECT_EQ(SplitLines(broken.out), ScriptSucceeded(servers[0], query) +
                                        ServerComplete(servers[0]) + OrdersMissing(missing) +
                                        ServerComplete(missing));
  EXPECT_EQ(broken.code, 1);
  EXPECT_EQ(broken.err,
            "pelvanectl: the run stopped after an error; continue with --start-index 3\n");
  Outcome continued = Run({"run", "--group", "prod", "--script", query, "--start-index", "3"});
  EXPECT_EQ(SplitLines(continued.out),
            ScriptSucceeded(servers[2], query) + ServerComplete(servers[2]));
  EXPECT_EQ(continued.code, 0) << continued.err;
  Outcome last = Run({"run", "--server", servers[0], "--server", missing, "--script", query});
  EXPECT_EQ(last.err, "pelvanectl: the run stopped after an error\n");

  // End and display, the log collected until the end: printed as a live run would have.
  const std::string before = ReadBytes(dir.File("Pelvane.log"));
  ASSERT_EQ(Run({"set", "Errors", "WhenOccurs", "3"}).code, 0);
  ASSERT_EQ(Run({"set", "Pelvane", "RefreshLogWindow", "0"}).code, 0);
  Outcome ended = Run({"run", "--group", "prod", "--script", query});
  const Lines ending{kSeparator, "Error in Vesk Process: ", "", "Server: [" + missing + "] @ T",
                     "T, Server: " + missing};
  EXPECT_EQ(SplitLines(ended.out),
            ScriptSucceeded(servers[0], query) + ServerComplete(servers[0]) + ending);
  EXPECT_EQ(ended.code, 2);
  EXPECT_EQ(ReadBytes(dir.File("Pelvane.log")), before);
}

TEST_F(RunCommandTest, SimpleScriptLogsEachServersTableAndWritesTheMergedCsv) {
  StandinServer standin(Servers(2));
  const std::vector<std::string> servers = RegisterAll(standin, 2);
  const std::string csv = dir.File("grid.csv");
  // The script list is ignored in Simple Script mode.
  Outcome run = Run({"run", "--group", "prod", "--script", Script("s.sql", "SELECT 1\nGO\n"),
                     "--simple-script", "SELECT 1 AS a, 'x' AS b", "--csv", csv});
  Lines expected;
  for (const std::string& server : servers)
    expected = expected +
               Lines{kSeparator, server + ": Simple Script Results", "a\tb\t", "1\tx\t"} +
               ServerComplete(server);
  EXPECT_EQ(SplitLines(run.out), expected);
  EXPECT_EQ(run.code, 0) << run.err;
  // The names hold a comma, so CSV quotes them.
  EXPECT_EQ(ReadBytes(csv),
            "Server,a,b\r\n\"" + servers[0] + "\",1,x\r\n\"" + servers[1] + "\",1,x\r\n");
}

TEST_F(RunCommandTest, ReportRecordsEachServerAndFailedFromRunsOnlyTheFailedOnes) {
  StandinServer standin(Servers(3));
  const std::string good = standin.server(0);
  const std::string missing = standin.server(1);  // the only one without the table
  const std::string refused = standin.server(2);
  Register(good);
  Register(missing);
  Register(refused, "wrong");
  const std::string setup = Script("setup.sql", "CREATE TABLE orders (item varchar(20))\nGO\n");
  ASSERT_EQ(Run({"run", "--server", good, "--script", setup}).code, 0);
  const std::string query = Script("query.sql", "SELECT item FROM orders\nGO\n");
  const std::string first = dir.File("first.json");

  Outcome run = Run({"run", "--group", "prod", "--script", query, "--report", first});
  EXPECT_EQ(run.code, 1);
  std::vector<std::string> order{good, missing, refused};
  std::sort(order.begin(), order.end());
  Result<engine::RunReport> report = engine::ReadReportFile(first);
  ASSERT_TRUE(report) << report.status().message();
  ASSERT_EQ(report->rows.size(), 3u);
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(report->rows[i].server, order[i]);
    EXPECT_EQ(report->rows[i].result,
              order[i] == good ? engine::Verdict::kSucceeded : engine::Verdict::kFailed);
  }

  // Only the two failed servers run again, in list order; the table now exists on all.
  ASSERT_EQ(Run({"run", "--server", missing, "--script", setup}).code, 0);
  const std::string second = dir.File("second.csv");
  Outcome again = Run({"run", "--failed-from", first, "--script", query, "--report", second});
  EXPECT_EQ(again.code, 1);
  EXPECT_EQ(again.err, "pelvanectl: " + first + ": taking 2 failed and 0 not run servers\n");
  EXPECT_EQ(again.out.find(good), std::string::npos) << again.out;
  Result<engine::RunReport> rerun = engine::ReadReportFile(second);
  ASSERT_TRUE(rerun) << rerun.status().message();
  EXPECT_EQ(rerun->rows.size(), 2u);
  EXPECT_EQ(engine::FailedServers(*rerun), std::vector<std::string>{refused});
}

// The log of servers side by side is the sequential log (the engine's rule); here the option and
// the stored setting both reach it.
TEST_F(RunCommandTest, ServersSideBySideLogAsTheSequentialRunDoes) {
  StandinServer::Options fastOptions = Servers(2), slowOptions = Servers(2);
  slowOptions.latencyMs = 300;
  StandinServer fast(fastOptions), slow(slowOptions);
  for (const std::string& server : {slow.server(0), fast.server(0), slow.server(1)})
    Register(server);
  Register(fast.server(1), "wrong");
  const std::string create = Script("create.sql", "CREATE TABLE mark (id int)\nGO\n");
  ASSERT_EQ(Run({"set", "Errors", "MessagesTo", "Window"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "WhenOccurs", "1"}).code, 0);
  ASSERT_EQ(Run({"run", "--group", "prod", "--script", create, "--parallel", "4"}).code, 1);

  // Every table exists now: each script fails with its details.
  Outcome sequential = Run({"run", "--group", "prod", "--script", create});
  Outcome parallel = Run({"run", "--group", "prod", "--script", create, "--parallel", "4"});
  ASSERT_EQ(Run({"set", "Errors", "ParallelServers", "4"}).code, 0);
  Outcome stored = Run({"run", "--group", "prod", "--script", create});
  EXPECT_NE(sequential.out.find("Error in Vesk Process"), std::string::npos);
  EXPECT_NE(sequential.out.find("Login FAILED for user sa"), std::string::npos);
  for (const Outcome* side : {&parallel, &stored}) {
    EXPECT_EQ(side->out, sequential.out);
    EXPECT_EQ(side->code, sequential.code);
  }
}

TEST_F(RunCommandTest, CopiesToALocalFolderAndFailsForANetworkPath) {
  // No script: the copy step alone, so the servers need not answer.
  const std::string source = Script("payload.txt", "payload");
  const std::string target = dir.File("target");
  std::filesystem::create_directory(target);
  ASSERT_EQ(Run({"servers", "add", "LOCALSRV"}).code, 0);
  ASSERT_EQ(Run({"servers", "add", "NETSRV"}).code, 0);
  ASSERT_EQ(Run({"set", "LOCALSRV", "CopyPath", target}).code, 0);
  ASSERT_EQ(Run({"set", "NETSRV", "CopyPath", "\\\\FS\\share\\"}).code, 0);

  const std::string report = dir.File("copy.csv");
  Outcome run = Run(
      {"run", "--server", "NETSRV", "--server", "LOCALSRV", "--copy", source, "--report", report});

  const Lines local{
      "No script(s) to vesk.", "",
      "T, File, " + source + ", copied to " + target + "/payload.txt, --> SUCCESSFUL."};
  const Lines network{
      "No script(s) to vesk.", "",
      "T, File, " + source + ", copy to \\\\FS\\share\\payload.txt, --> UNSUCCESSFUL. ",
      "File May Already Exist. To Overwrite file select Overwrite Existing File? "
      "checkbox. Path/Filename may be invalid, check configuration."};
  EXPECT_EQ(SplitLines(run.out),
            local + ServerComplete("LOCALSRV") + network + ServerComplete("NETSRV"));
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(ReadBytes(target + "/payload.txt"), "payload");
  Result<engine::RunReport> copied = engine::ReadReportFile(report);
  ASSERT_TRUE(copied) << copied.status().message();
  EXPECT_TRUE(copied->columns.copy);
  EXPECT_EQ(engine::FailedServers(*copied), std::vector<std::string>{"NETSRV"});
}

TEST_F(RunCommandTest, AnErrorShownDuringTheRunFailsIt) {
  ASSERT_EQ(Run({"servers", "add", "SRV1"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "LogFile", dir.File("missing/run.log")}).code, 0);

  Outcome run = Run({"run", "--server", "SRV1"});

  EXPECT_EQ(SplitLines(run.out), Lines{"No script(s) to vesk."} + ServerComplete("SRV1"));
  EXPECT_EQ(run.err.rfind("[The Pelvane Tool] ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("missing/run.log"), std::string::npos) << run.err;
  EXPECT_EQ(run.code, 1);
}

// The question's rule is the engine's; here how a terminal-less run answers it.
TEST_F(RunCommandTest, AQuestionTakesTheSafeAnswerOrTheGivenOne) {
  StandinServer standin;
  const std::string server = standin.server();
  Register(server);
  std::filesystem::create_directory(dir.File("empty"));
  std::filesystem::create_directory(dir.File("target"));
  ASSERT_EQ(Run({"set", "Pelvane", "QAPath", dir.File("empty")}).code, 0);
  ASSERT_EQ(Run({"set", server, "CopyPath", dir.File("target")}).code, 0);
  // The question comes when other steps (the copy) could go on.
  const std::vector<std::string> run{"run",
                                     "--server",
                                     server,
                                     "--script",
                                     Script("s.sql", "SELECT 1\nGO\n"),
                                     "--copy",
                                     Script("payload.txt", "payload"),
                                     "--overwrite"};
  const std::string question =
      "[Query Analyzer Not Installed] The Pelvane Tool requires that Microsoft Query Analyzer be "
      "installed on this computer to vesk stored procedures.  Install Query Analyzer and try "
      "again. Continue other tasks?\n";

  // Without a terminal or --answer: No, and the run ends without writing the log file.
  Outcome safe = Run(run);
  EXPECT_EQ(safe.err, question + "-> No (no terminal, no --answer)\n");
  EXPECT_EQ(safe.code, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Pelvane.log")));

  std::vector<std::string> answered = run;
  answered.insert(answered.end(), {"--answer", "yes"});
  Outcome yes = Run(answered);
  EXPECT_EQ(yes.err, question + "-> Yes (--answer)\n");
  EXPECT_NE(yes.out.find("copied to"), std::string::npos) << yes.out;
  EXPECT_EQ(yes.code, 1);
}

TEST_F(RunCommandTest, HelpExplainsEveryOptionAndTheSafeAnswer) {
  Outcome help = Run({"run", "--help"});
  EXPECT_EQ(help.code, 0);
  const std::vector<Command> commands = RunCommands();
  const OptionSpec& options = commands.at(0).options;
  for (const std::set<std::string>& names : {options.withValue, options.flags}) {
    for (const std::string& name : names) {
      EXPECT_NE(help.out.find("\n  --" + name + " "), std::string::npos) << name;
    }
  }
  EXPECT_NE(help.out.find("the safe answer is taken: No to a yes/no question, Cancel to a\n"
                          "yes/no/cancel question, and an empty (cancelled) input box."),
            std::string::npos);
}

TEST_F(RunCommandTest, NoOptionsClearWhatTheDialogStored) {
  StandinServer standin;
  const std::string server = standin.server();
  Register(server);
  const std::string script = Script("ok.sql", "SELECT 1\nGO\n");
  // The dialog left Simple Script mode and the copy step on, with a copy list.
  for (const auto& [section, key, value] :
       {std::tuple<const char*, const char*, std::string>{"SimpleScript", "OpenScript", "1"},
        {"SimpleScript", "Script", "SELECT 2"},
        {"Pelvane", "CopyFile", "1"},
        {"CopyTo", "CopyFile", dir.File("absent.txt")}}) {
    ASSERT_EQ(Run({"set", section, key, value}).code, 0);
  }

  Outcome run =
      Run({"run", "--server", server, "--script", script, "--no-simple-script", "--no-copy"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(SplitLines(run.out), ScriptSucceeded(server, script) + ServerComplete(server));
}

}  // namespace
}  // namespace pelvane::cli
