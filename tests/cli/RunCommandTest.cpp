// SPDX-License-Identifier: GPL-3.0-or-later
// pelvanectl run end to end: the real isqlw and ODBC client against sqlstandin, with the log
// compared line by line. DateTimeFormat "T" makes every timestamp the letter T.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
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

Lines ScriptFailed(const std::string& server, const std::string& script) {
  return {"T, Server: " + server + ".", "Vesk process for " + script + " --> UNSUCCESSFUL."};
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
  StandinServer standin(Servers(3));
  const std::vector<std::string> servers = RegisterAll(standin, 3);
  const std::string create = Script("create.sql",
                                    "CREATE TABLE t1 (id int)\nGO\n"
                                    "INSERT INTO t1 VALUES (1)\nGO\n");
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

  Outcome again = Run({"run", "--server", servers[1], "--script", select, "--script", select});
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(SplitLines(again.out), ScriptSucceeded(servers[1], select) +
                                       ScriptSucceeded(servers[1], select) +
                                       ServerComplete(servers[1]));
  EXPECT_EQ(ReadBytes(dir.File("Pelvane.log")).rfind(logged + "\r\n" + kSeparator, 0), 0u);
}

// A failure logged and the run going on is the report test's run; here the run breaks.
TEST_F(RunCommandTest, AFailingScriptBreaksTheRunAndTheNextRunContinues) {
  StandinServer standin(Servers(3));
  const std::vector<std::string> servers = RegisterAll(standin, 3);
  const std::string& missing = servers[1];  // the only one without the table
  const std::string setup = Script("setup.sql", "CREATE TABLE orders (item varchar(20))\nGO\n");
  ASSERT_EQ(Run({"run", "--server", servers[0], "--server", servers[2], "--script", setup}).code,
            0);
  const std::string query = Script("query.sql", "SELECT item FROM orders\nGO\n");
  ASSERT_EQ(Run({"set", "Errors", "MessagesTo", "Window"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "WhenOccurs", "2"}).code, 0);

  // Break and display: no report line, and the run stops after that server.
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

  // A break on the last server leaves nothing to continue with.
  Outcome last = Run({"run", "--server", servers[0], "--server", missing, "--script", query});
  EXPECT_EQ(last.code, 1);
  EXPECT_EQ(last.err, "pelvanectl: the run stopped after an error\n");
}

TEST_F(RunCommandTest, ARunThatEndsEarlyPrintsTheLinesItCollected) {
  StandinServer standin(Servers(2));
  const std::vector<std::string> servers = RegisterAll(standin, 2);
  const std::string setup = Script("setup.sql", "CREATE TABLE orders (item varchar(20))\nGO\n");
  ASSERT_EQ(Run({"run", "--server", servers[0], "--script", setup}).code, 0);
  const std::string logged = ReadBytes(dir.File("Pelvane.log"));
  const std::string query = Script("query.sql", "SELECT item FROM orders\nGO\n");
  for (const auto& [section, key, value] : {std::tuple{"Errors", "MessagesTo", "Window"},
                                            {"Errors", "WhenOccurs", "3"},
                                            {"Pelvane", "RefreshLogWindow", "0"}})
    ASSERT_EQ(Run({"set", section, key, value}).code, 0);

  // End and display on the second server: the lines collected so far come out as a live run
  // would have printed them; the log file is left as it was.
  Outcome ended = Run({"run", "--group", "prod", "--script", query});
  const Lines ending{kSeparator, "Error in Vesk Process: ", "", "Server: [" + servers[1] + "] @ T",
                     "T, Server: " + servers[1]};
  EXPECT_EQ(SplitLines(ended.out),
            ScriptSucceeded(servers[0], query) + ServerComplete(servers[0]) + ending);
  EXPECT_EQ(ended.code, 2);
  EXPECT_EQ(ReadBytes(dir.File("Pelvane.log")), logged);
}

TEST_F(RunCommandTest, AServerWithoutALoginIsARefusedLogin) {
  StandinServer standin;
  const std::string server = standin.server();
  ASSERT_EQ(Run({"servers", "add", server}).code, 0);
  ASSERT_EQ(Run({"set", server, "Database", "pubs"}).code, 0);
  const std::string script = Script("s.sql", "SELECT 1\nGO\n");
  Outcome run = Run({"run", "--server", server, "--script", script});
  const Lines refused{kSeparator, "Login FAILED for user  on Server: " + server + "."};
  EXPECT_EQ(SplitLines(run.out), refused + ScriptFailed(server, script) + ServerComplete(server));
  EXPECT_EQ(run.code, 1);
}

TEST_F(RunCommandTest, SimpleScriptLogsTheResultTableOfEveryServer) {
  StandinServer standin(Servers(2));
  const std::vector<std::string> servers = RegisterAll(standin, 2);
  const std::string script = Script("s.sql", "SELECT 1\nGO\n");

  // The script list is ignored in Simple Script mode.
  Outcome run = Run({"run", "--group", "prod", "--script", script, "--simple-script",
                     "SELECT 1 AS a, 'x' AS b UNION ALL SELECT 2, NULL"});

  Lines expected;
  for (const std::string& server : servers) {
    expected = expected +
               Lines{kSeparator, server + ": Simple Script Results", "a\tb\t", "1\tx\t", "2\t\t"} +
               ServerComplete(server);
  }
  EXPECT_EQ(SplitLines(run.out), expected);
  EXPECT_EQ(run.code, 0) << run.err;

  // The merged table: one section while the columns agree, another where they differ.
  for (const auto& [server, query] : {std::pair{servers[0], "CREATE TABLE t (a int)"},
                                      {servers[0], "INSERT INTO t VALUES (1)"},
                                      {servers[1], "CREATE TABLE t (b varchar(9))"},
                                      {servers[1], "INSERT INTO t VALUES ('x,\"y')"}})
    ASSERT_EQ(Run({"run", "--server", server, "--simple-script", query}).code, 0);
  // The names hold a comma, so CSV quotes them.
  const std::string first = "\"" + servers[0] + "\"", second = "\"" + servers[1] + "\"";
  const struct {
    std::string query, csv;
  } grids[] = {
      {"SELECT 1 AS a, 'x' AS b", "Server,a,b\r\n" + first + ",1,x\r\n" + second + ",1,x\r\n"},
      {"SELECT * FROM t",
       "Server,a\r\n" + first + ",1\r\n\r\nServer,b\r\n" + second + ",\"x,\"\"y\"\r\n"},
  };
  for (const auto& grid : grids) {
    SCOPED_TRACE(grid.query);
    const std::string csv = dir.File("grid.csv");
    Outcome merged = Run({"run", "--group", "prod", "--simple-script", grid.query, "--csv", csv});
    EXPECT_EQ(merged.code, 0) << merged.err;
    EXPECT_EQ(ReadBytes(csv), grid.csv) << merged.out;
  }
  EXPECT_EQ(Run({"run", "--group", "prod", "--script", script, "--csv", dir.File("x.csv")}).code,
            2);

  Outcome failed = Run({"run", "--server", servers[0], "--simple-script", "SELECT * FROM nosuch"});
  ASSERT_EQ(SplitLines(failed.out).size(), 6u) << failed.out;
  EXPECT_EQ(
      SplitLines(failed.out)[2].rfind("Simple Script FAILED on Server: " + servers[0] + ".", 0),
      0u);
  EXPECT_EQ(failed.code, 1);
}

TEST_F(RunCommandTest, ReportRecordsEachServerAndFailedFromRunsOnlyTheFailedOnes) {
  StandinServer standin(Servers(3));
  const std::string good = standin.server(0);
  const std::string missing = standin.server(1);  // the only one without the table
  const std::string refused = standin.server(2);
  const std::string dead = DeadServer();
  Register(good);
  Register(missing);
  Register(refused, "wrong");
  Register(dead);
  const std::string setup = Script("setup.sql", "CREATE TABLE orders (item varchar(20))\nGO\n");
  ASSERT_EQ(Run({"run", "--server", good, "--script", setup}).code, 0);
  const std::string query = Script("query.sql", "SELECT item FROM orders\nGO\n");
  const std::string first = dir.File("first.json");
  ASSERT_EQ(Run({"set", "Errors", "MessagesTo", "Window"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "WhenOccurs", "1"}).code, 0);

  Outcome run = Run({"run", "--group", "prod", "--script", query, "--report", first});
  EXPECT_EQ(run.code, 1);
  std::vector<std::string> order{good, missing, refused, dead};
  std::sort(order.begin(), order.end());
  // A refused or unreachable server fails without the query tool: no details of its own.
  Lines log;
  for (const std::string& server : order) {
    if (server == good) {
      log = log + ScriptSucceeded(server, query);
    } else if (server == missing) {
      log = log + OrdersMissing(server) + ScriptFailed(server, query);
    } else if (server == refused) {
      log = log + Lines{kSeparator, "Login FAILED for user sa on Server: " + server + "."} +
            ScriptFailed(server, query);
    } else {
      log = log +
            Lines{kSeparator,
                  "SQL Server does not exist or is not accessible. Server: " + server + "."} +
            ScriptFailed(server, query);
    }
    log = log + ServerComplete(server);
  }
  EXPECT_EQ(SplitLines(run.out), log);
  Result<engine::RunReport> report = engine::ReadReportFile(first);
  ASSERT_TRUE(report) << report.status().message();
  ASSERT_EQ(report->columns.scripts, std::vector<std::string>{query});
  ASSERT_EQ(report->rows.size(), order.size());
  using engine::LoginResult;
  using engine::Verdict;
  struct Expected {
    std::string server;
    Verdict result;
    LoginResult login;
    long errorNumber;
    int severity;
    std::string error;
  };
  const Expected expected[] = {
      {good, Verdict::kSucceeded, LoginResult::kAccepted, 0, 0, ""},
      {missing, Verdict::kFailed, LoginResult::kAccepted, 208, 16, "Invalid object name 'orders'."},
      {refused, Verdict::kFailed, LoginResult::kRefused, 0, 0,
       "Login FAILED for user sa on Server: " + refused + "."},
      {dead, Verdict::kFailed, LoginResult::kUnreachable, 0, 0,
       "SQL Server does not exist or is not accessible. Server: " + dead + "."},
  };
  for (const Expected& want : expected) {
    SCOPED_TRACE(want.server);
    const auto at = std::find(order.begin(), order.end(), want.server) - order.begin();
    const engine::ServerRow& row = report->rows[static_cast<size_t>(at)];
    EXPECT_EQ(row.server, want.server);
    EXPECT_EQ(row.position, at + 1);
    EXPECT_EQ(row.result, want.result);
    EXPECT_EQ(row.login, want.login);
    ASSERT_EQ(row.scripts.size(), 1u);
    EXPECT_EQ(row.scripts[0].verdict, want.result);
    EXPECT_EQ(row.scripts[0].errorNumber, want.errorNumber);
    EXPECT_EQ(row.scripts[0].severity, want.severity);
    EXPECT_EQ(row.scripts[0].error, want.error);
  }

  // Only the three failed servers run again, in list order; the table now exists on all.
  ASSERT_EQ(Run({"run", "--server", missing, "--script", setup}).code, 0);
  const std::string second = dir.File("second.csv");
  Outcome again = Run({"run", "--failed-from", first, "--script", query, "--report", second});
  EXPECT_EQ(again.code, 1);
  EXPECT_EQ(again.err, "pelvanectl: " + first + ": taking 3 failed and 0 not run servers\n");
  EXPECT_EQ(again.out.find(good), std::string::npos) << again.out;
  EXPECT_NE(again.out.find(missing + ": Process complete."), std::string::npos);
  Result<engine::RunReport> rerun = engine::ReadReportFile(second);
  ASSERT_TRUE(rerun) << rerun.status().message();
  std::vector<std::string> failed = order;
  failed.erase(std::find(failed.begin(), failed.end(), good));
  std::vector<std::string> stillFailed = failed;
  stillFailed.erase(std::find(stillFailed.begin(), stillFailed.end(), missing));
  EXPECT_EQ(engine::FailedServers(*rerun), stillFailed);
  ASSERT_EQ(rerun->rows.size(), 3u);
  for (size_t i = 0; i < failed.size(); ++i) {
    EXPECT_EQ(rerun->rows[i].server, failed[i]);
    EXPECT_EQ(rerun->rows[i].result, failed[i] == missing ? Verdict::kSucceeded : Verdict::kFailed);
  }
}

TEST_F(RunCommandTest, FailedFromRefusesAReportThatDoesNotParse) {
  Register("SQL1");
  const struct {
    std::string name, text;
  } cases[] = {
      {"broken.json", "{\"rows\": [ {\"server\": "},
      {"broken.csv", "not,a,report\n\"unclosed\n"},
      {"report.txt", "[]"},
      {"absent.json", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(c.name);
    if (c.name != "absent.json") WriteBytes(path, c.text);
    Outcome run = Run({"run", "--failed-from", path, "--script", "x.sql"});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
  }
  Outcome both = Run({"run", "--failed-from", dir.File("a.json"), "--server", "SQL1"});
  EXPECT_EQ(both.code, 2);
  Outcome badName = Run({"run", "--server", "SQL1", "--report", dir.File("r.txt")});
  EXPECT_EQ(badName.code, 2);
  EXPECT_EQ(badName.out, "");
}

TEST_F(RunCommandTest, ServersSideBySideLogAsTheSequentialRunDoes) {
  // Slow and fast servers mixed, so that they finish out of list order; each its own login and
  // database, so that a server using another's values would fail.
  StandinServer::Options fastOptions = Servers(3), slowOptions = Servers(2);
  for (StandinServer::Options* options : {&fastOptions, &slowOptions}) {
    options->logins = {"u1:Pw1", "u2:Pw2", "u3:Pw3", "u4:Pw4"};
    options->databases = {"d1", "d2", "d3", "d4"};
  }
  slowOptions.latencyMs = 300;
  StandinServer fast(fastOptions), slow(slowOptions);
  const std::string servers[] = {slow.server(0), fast.server(0), slow.server(1), fast.server(1)};
  for (int i = 0; i < 4; ++i) {
    const std::string n = std::to_string(i + 1);
    Register(servers[i], "Pw" + n, "u" + n, "d" + n);
  }
  const std::string refused = fast.server(2);
  Register(refused, "wrong", "u1", "d1");
  std::vector<std::string> order{servers[0], servers[1], servers[2], servers[3], refused};
  std::sort(order.begin(), order.end());
  const std::string create = Script("create.sql", "CREATE TABLE mark (id int)\nGO\n");

  Outcome first = Run({"run", "--group", "prod", "--script", create, "--parallel", "4"});
  Lines expected;
  for (const std::string& server : order) {
    if (server == refused) {
      expected = expected +
                 Lines{kSeparator, "Login FAILED for user u1 on Server: " + server + "."} +
                 ScriptFailed(server, create);
    } else {
      expected = expected + ScriptSucceeded(server, create);
    }
    expected = expected + ServerComplete(server);
  }
  EXPECT_EQ(SplitLines(first.out), expected);
  EXPECT_EQ(first.code, 1);

  // Every table exists now: each script fails with its details, alike in both runs.
  ASSERT_EQ(Run({"set", "Errors", "MessagesTo", "Window"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "WhenOccurs", "1"}).code, 0);
  Outcome sequential = Run({"run", "--group", "prod", "--script", create});
  ASSERT_EQ(Run({"set", "Errors", "ParallelServers", "5"}).code, 0);
  Outcome parallel = Run({"run", "--group", "prod", "--script", create});
  EXPECT_EQ(parallel.out, sequential.out);
  EXPECT_EQ(parallel.code, sequential.code);
  EXPECT_NE(sequential.out.find("Error in Vesk Process"), std::string::npos);
  EXPECT_EQ(Run({"run", "--group", "prod", "--parallel", "65"}).code, 2);
}

TEST_F(RunCommandTest, ABreakStopsTheHandOutsOfServersSideBySide) {
  // The failing server answers at once; the others take a second per batch, so none of them
  // finishes before the break and the hand-outs end with the fourth server of the list. The
  // failing server must be among those four: its port decides, so take one that sorts so.
  StandinServer::Options slowOptions = Servers(5);
  slowOptions.latencyMs = 1000;
  StandinServer slow(slowOptions);
  std::vector<std::string> servers;
  for (size_t i = 0; i < 5; ++i) servers.push_back(slow.server(i));
  std::sort(servers.begin(), servers.end());
  std::unique_ptr<StandinServer> fast;
  while (!fast || fast->server() > servers[2]) fast = std::make_unique<StandinServer>();
  const std::string failing = fast->server();
  const std::string setup = Script("setup.sql", "CREATE TABLE orders (item varchar(20))\nGO\n");
  std::vector<std::string> args{"run", "--script", setup, "--parallel", "5"};
  for (const std::string& server : servers) {
    Register(server);
    args.insert(args.end(), {"--server", server});
  }
  ASSERT_EQ(Run(args).code, 0);
  Register(failing);
  servers.insert(std::upper_bound(servers.begin(), servers.end(), failing), failing);
  const std::string query = Script("query.sql", "SELECT item FROM orders\nGO\n");
  ASSERT_EQ(Run({"set", "Errors", "MessagesTo", "Window"}).code, 0);
  ASSERT_EQ(Run({"set", "Errors", "WhenOccurs", "2"}).code, 0);

  Outcome broken = Run({"run", "--group", "prod", "--script", query, "--parallel", "4"});
  Lines expected;
  for (size_t i = 0; i < 4; ++i) {
    expected =
        expected +
        (servers[i] == failing ? OrdersMissing(failing) : ScriptSucceeded(servers[i], query)) +
        ServerComplete(servers[i]);
  }
  EXPECT_EQ(SplitLines(broken.out), expected);
  EXPECT_EQ(broken.code, 1);
  EXPECT_EQ(broken.err,
            "pelvanectl: the run stopped after an error; continue with --start-index 5\n");

  Outcome rest =
      Run({"run", "--group", "prod", "--script", query, "--start-index", "5", "--parallel", "4"});
  EXPECT_EQ(SplitLines(rest.out), ScriptSucceeded(servers[4], query) + ServerComplete(servers[4]) +
                                      ScriptSucceeded(servers[5], query) +
                                      ServerComplete(servers[5]));
  EXPECT_EQ(rest.code, 0) << rest.err;
}

TEST_F(RunCommandTest, RefusesWithStatusTwoAndRunsNothing) {
  ASSERT_EQ(Run({"servers", "add", "SRV1", "--group", "prod"}).code, 0);
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"run"}, "[The Pelvane Tool] You must select at least one server.\n"},
      {{"run", "--group", "nosuch"}, "[The Pelvane Tool] You must select at least one server.\n"},
      {{"run", "--server", "srv1", "--copy", ""},
       "[The Pelvane Tool] Copy File To Server selected but no Copy File has been defined.  "
       "Select a file to Copy and Try Again.\n"},
      {{"run", "--server", "srv2"}, "pelvanectl: srv2 is not in the server list.\n"},
      {{"run", "--server", "srv1", "--start-index", "0"},
       "pelvanectl: --start-index needs a number from 1 to 32767\n"},
      {{"run", "--server", "srv1", "--start-index", "32768"},
       "pelvanectl: --start-index needs a number from 1 to 32767\n"},
      {{"run", "--server", "srv1", "--start-index", "2x"},
       "pelvanectl: --start-index needs a number from 1 to 32767\n"},
      {{"run", "--server", "srv1", "--answer", "maybe"},
       "pelvanectl: --answer needs yes, no or cancel\n"},
      {{"run", "srv1"},
       "pelvanectl: run takes no arguments besides its options (see run --help)\n"},
      {{"run", "--server", "srv1", "--script", dir.File("nosuch.sql")},
       "pelvanectl: This file cannot be read, so the run did not start and no server was "
       "contacted:\nScript file " +
           dir.File("nosuch.sql") +
           " (No such file or directory)\nScripts are named by their file paths, one per "
           "line.\n"},
  };
  for (const Case& c : cases) {
    Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.code, 2) << c.args.back();
    EXPECT_EQ(outcome.err, c.err);
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("Pelvane.log")));
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
  ASSERT_EQ(copied->rows.size(), 2u);
  EXPECT_TRUE(copied->columns.copy);
  EXPECT_EQ(copied->rows[0].copy.verdict, engine::Verdict::kSucceeded);
  EXPECT_EQ(copied->rows[1].copy.verdict, engine::Verdict::kFailed);
  EXPECT_NE(copied->rows[1].copy.detail, "");  // the failure's reason, through the file
  EXPECT_EQ(engine::FailedServers(*copied), std::vector<std::string>{"NETSRV"});

  // Two files, allowed to replace: an empty line after each report.
  const std::string second = Script("second.txt", "second");
  Outcome both =
      Run({"run", "--server", "LOCALSRV", "--copy", source, "--copy", second, "--overwrite"});
  const Lines copiedBoth{
      "No script(s) to vesk.",
      "",
      "T, File, " + source + ", copied to " + target + "/payload.txt, --> SUCCESSFUL.",
      "",
      "T, File, " + second + ", copied to " + target + "/second.txt, --> SUCCESSFUL.",
      ""};
  EXPECT_EQ(SplitLines(both.out), copiedBoth + ServerComplete("LOCALSRV"));
  EXPECT_EQ(both.code, 0) << both.err;
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

TEST_F(RunCommandTest, MissingQueryToolAsksWhetherToGoOn) {
  StandinServer standin;
  const std::string server = standin.server();
  Register(server);
  std::filesystem::create_directory(dir.File("empty"));
  std::filesystem::create_directory(dir.File("target"));
  ASSERT_EQ(Run({"set", "Pelvane", "QAPath", dir.File("empty")}).code, 0);
  const std::string script = Script("s.sql", "SELECT 1\nGO\n");
  const std::string source = Script("payload.txt", "payload");
  ASSERT_EQ(Run({"set", server, "CopyPath", dir.File("target")}).code, 0);
  const std::string question =
      "[Query Analyzer Not Installed] The Pelvane Tool requires that Microsoft Query Analyzer be "
      "installed on this computer to vesk stored procedures.  Install Query Analyzer and try "
      "again. Continue other tasks?\n";
  const Lines banner{
      kSeparator, "",
      std::string(30, '*') + " Microsoft Query Analyzer Not Installed " + std::string(30, '*'),
      "The Pelvane Tool requires that Microsoft Query Analyzer be installed on this "
      "computer to vesk stored procedures.  Install Query Analyzer and try again."};

  // Without a terminal or --answer: No, and the run ends without writing the log file.
  Outcome safe =
      Run({"run", "--server", server, "--script", script, "--copy", source, "--overwrite"});
  EXPECT_EQ(safe.err, question + "-> No (no terminal, no --answer)\n");
  EXPECT_EQ(SplitLines(safe.out), banner);
  EXPECT_EQ(safe.code, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Pelvane.log")));

  Outcome yes = Run({"run", "--server", server, "--script", script, "--copy", source, "--overwrite",
                     "--answer", "yes"});
  EXPECT_EQ(yes.err, question + "-> Yes (--answer)\n");
  const Lines copied{"", "T, File, " + source + ", copied to " + dir.File("target/payload.txt") +
                             ", --> SUCCESSFUL."};
  EXPECT_EQ(SplitLines(yes.out),
            banner + ScriptFailed(server, script) + copied + ServerComplete(server));
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

  Outcome both = Run({"run", "--server", server, "--append", "--no-append"});
  EXPECT_EQ(both.code, 2);
  EXPECT_EQ(both.err, "pelvanectl: --append and --no-append cannot both be given\n");
}

}  // namespace
}  // namespace pelvane::cli
