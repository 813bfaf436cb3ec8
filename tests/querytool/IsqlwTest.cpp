// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "standin/ToolRun.h"
#include "support/StandinServer.h"
#include "support/TdsStallProxy.h"
#include "support/TempDir.h"

#ifndef PELVANE_ISQLW_PATH
#error "PELVANE_ISQLW_PATH must name the isqlw executable"
#endif

namespace pelvane::testing {
namespace {

struct ToolRun {
  int exitStatus = -1;
  std::string output;  // the -o file
  std::string errors;  // what the tool printed
};

class IsqlwTest : public ::testing::Test {
 protected:
  // The tool sees a password in its environment only where a test puts one there.
  void SetUp() override { ::unsetenv("SQLCMDPASSWORD"); }

  std::vector<std::string> Login(const std::string& password = "Secret1") const {
    return {"-S", server_.server(), "-d", "pubs", "-U", "sa", "-P", password};
  }
  /// isqlw on `script`, written to a file of its own, with its output in another.
  ToolRun Run(std::vector<std::string> args, const std::string& script,
              const std::optional<std::string>& environmentPassword = std::nullopt) {
    WriteBytes(dir_.File("script.sql"), script);
    args.insert(args.end(), {"-i", dir_.File("script.sql"), "-o", OutputPath()});
    return RunRaw(args, environmentPassword);
  }
  ToolRun RunRaw(std::vector<std::string> args,
                 const std::optional<std::string>& environmentPassword = std::nullopt) {
    args.insert(args.begin(), PELVANE_ISQLW_PATH);
    std::vector<std::string> env;
    if (environmentPassword) env.push_back("SQLCMDPASSWORD=" + *environmentPassword);
    ToolOutcome run = RunTool(args, "", env);
    return {run.exitCode, ReadBytes(OutputPath()), run.output};
  }
  std::string OutputPath() const { return dir_.File("output.log"); }

  StandinServer server_;
  TempDir dir_;
};

std::string Blanks(size_t n) {
  return std::string(n, ' ');
}
std::string Dashes(size_t n) {
  return std::string(n, '-');
}

// The stand-in reports integers as bigint (20 wide) and text as nvarchar(4000), which the
// layout caps at 256 characters.
TEST_F(IsqlwTest, MixedScriptGivesClassicLayoutAndLaterBatchesStillRun) {
  const std::string script =
      "CREATE TABLE demo (id INT, name NVARCHAR(20))\r\n"
      "INSERT INTO demo VALUES (1, 'alpha')\r\n"
      "SELECT id, name FROM demo\r\n"
      "GO\r\n"
      "SELECT * FROM missing_table\r\n"
      "GO\r\n"
      "PRINT 'between batches'\r\n"
      " go \r\n"
      "INSERT INTO demo VALUES (2, NULL)\r\n"
      "SELECT name FROM demo WHERE id = 2\r\n";
  ToolRun run = Run(Login(), script);
  EXPECT_EQ(run.exitStatus, 1) << run.errors;
  const std::string expected =
      "\r\n"
      "(1 row(s) affected)\r\n" +
      ("id" + Blanks(18) + " name" + Blanks(252) + "\r\n") +
      (Dashes(20) + " " + Dashes(256) + "\r\n") + (Blanks(19) + "1 alpha" + Blanks(251) + "\r\n") +
      "\r\n"
      "(1 row(s) affected)\r\n"
      "Server: Msg 208, Level 16, State 1, Line 1\r\n"
      "Invalid object name 'missing_table'.\r\n"
      "between batches\r\n"
      "\r\n"
      "(1 row(s) affected)\r\n" +
      ("name" + Blanks(252) + "\r\n") + (Dashes(256) + "\r\n") + ("NULL" + Blanks(252) + "\r\n") +
      "\r\n"
      "(1 row(s) affected)\r\n";
  EXPECT_EQ(run.output, expected);
}

TEST_F(IsqlwTest, ScriptOutcomes) {
  // UTF-16 LE with its mark, and Windows-1252 text without one, both reach the server intact.
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"SELECT N'caf\u00E9 \u20AC' AS word\r\n")) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  struct Case {
    std::string script;
    int exitStatus;
    std::vector<std::string> found, absent;  // in the output
  };
  const Case cases[] = {
      // NOCOUNT: the server sends no count; an informational RAISERROR is no failure.
      {"SET NOCOUNT ON\nSELECT 7 AS seven, 'x' AS letter\nGO\nPRINT 'done'\n"
       "RAISERROR('just a note', 10, 1)\n",
       0,
       {Blanks(19) + "7 x", "\r\ndone\r\njust a note\r\n"},
       {"Server: Msg", "row(s) affected"}},
      {"CREATE PROCEDURE usp_Fail AS\nBEGIN\n  RAISERROR('boom', 16, 3)\nEND\nGO\n"
       "EXEC usp_Fail\nGO\nSELECT 'after' AS word\n",
       1,
       {"Server: Msg 50000, Level 16, State 3, Procedure usp_Fail, Line ", "\r\nboom\r\n",
        "\r\nafter"},
       {}},
      {utf16, 0, {"\r\ncaf\xC3\xA9 \xE2\x82\xAC "}, {}},
      {"SELECT 'caf\xE9' AS word\r\n", 0, {"\r\ncaf\xC3\xA9 "}, {}},
  };
  for (const Case& c : cases) {
    ToolRun run = Run(Login(), c.script);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.errors;
    for (const std::string& part : c.found)
      EXPECT_NE(run.output.find(part), std::string::npos) << part << " in:\n" << run.output;
    for (const std::string& part : c.absent)
      EXPECT_EQ(run.output.find(part), std::string::npos) << part << " in:\n" << run.output;
  }
}

TEST_F(IsqlwTest, CannotConnectReasonsGoToTheOutputFile) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> expectedLines;
    std::optional<std::string> environmentPassword = std::nullopt;
  };
  const std::string closed = "127.0.0.1," + std::to_string(FreeLoopbackPort());
  const Case cases[] = {
      {"wrong password",
       {"-S", server_.server(), "-U", "sa", "-P", "NotTheSecret"},
       {"Server: Msg 18456, Level 14, State 1, Line 1", "Login failed for user 'sa'.",
        "Cannot connect to server " + server_.server() + ": "}},
      {"-P wins over the environment",
       {"-S", server_.server(), "-U", "sa", "-P", "Wrong1"},
       {"Login failed for user 'sa'."},
       "Secret1"},
      {"no password", {"-S", server_.server(), "-U", "sa"}, {"Login failed for user 'sa'."}},
      {"unknown database",
       {"-S", server_.server(), "-d", "nodb", "-U", "sa", "-P", "Secret1"},
       {"Cannot open database \"nodb\" requested by the login. The login failed."}},
      {"closed port",
       {"-S", closed, "-U", "sa", "-P", "NotTheSecret"},
       {"Cannot connect to server " + closed + ": Unable to connect"}},
  };
  for (const Case& c : cases) {
    ToolRun run = Run(c.args, "SELECT 1\n", c.environmentPassword);
    EXPECT_EQ(run.exitStatus, 2) << c.name;
    for (const std::string& line : c.expectedLines) {
      EXPECT_NE(run.output.find(line), std::string::npos) << c.name << ":\n" << run.output;
    }
    EXPECT_NE(run.errors.find("Cannot connect to server"), std::string::npos) << c.name;
    if (c.args.end()[-2] != "-P") continue;
    const std::string& password = c.args.back();
    EXPECT_EQ(run.output.find(password), std::string::npos) << c.name;
    EXPECT_EQ(run.errors.find(password), std::string::npos) << c.name;
  }
  // The password from the environment when -P is not given.
  ToolRun run = Run({"-S", server_.dbServer(), "-d", "pubs", "-U", "sa"}, "SELECT 1 AS one\n",
                    std::string("Secret1"));
  EXPECT_EQ(run.exitStatus, 0) << run.output << run.errors;
}

TEST_F(IsqlwTest, TheQueryTimeOutIsADeadlineForTheWholeBatch) {
  // Every read gets a byte within 100 ms, so only a deadline for the batch can end it; its
  // answer alone would take several seconds.
  TdsStallProxy trickling(server_.port(), TdsStallProxy::Mode::kTrickleBatches);
  const auto started = std::chrono::steady_clock::now();
  ToolRun run =
      Run({"-S", trickling.server(), "-d", "pubs", "-U", "sa", "-P", "Secret1", "-t", "1"},
          "SELECT 'a fairly long text' AS one, 2 AS two\nGO\nSELECT 3\nGO\n");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
  EXPECT_EQ(run.exitStatus, 3) << run.output;
  EXPECT_NE(run.output.find("Query timeout expired: a batch ran longer than 1 seconds on server " +
                            trickling.server()),
            std::string::npos)
      << run.output;
}

TEST_F(IsqlwTest, AServerThatAnswersNeitherTheBatchNorACheckIsEndedABusyOneIsNot) {
  StandinServer::Options slowOptions;
  slowOptions.latencyMs = 2500;  // longer than the silence before a check
  StandinServer slow(slowOptions);
  struct Case {
    const char* name;
    bool stall;                     // behind a proxy that swallows every batch, else `slow`
    bool changePassword;            // once the batch waits, so that every check is refused
    std::vector<std::string> args;  // beside the login
    int exitStatus;
    std::string line;  // in the output
    int connections;   // the proxy relayed: the script's and one per check
    int maxSeconds;
  };
  const Case cases[] = {
      {"stalled",
       true,
       false,
       {"--check-after", "1", "--check-time", "2"},
       4,
       "did not answer a check on a second connection within 2 seconds while the batch waited; "
       "the batch was ended and the connection closed.",
       2,
       8},
      {"slow but alive",
       false,
       false,
       {"--check-after", "1", "--check-time", "5"},
       0,
       "(1 row(s) affected)",
       0,
       10},
      // A refused login (a changed password) is an answer, not proof of a stall: the
      // time-out ends the batch instead, and no second check costs another failed logon.
      {"checks refused",
       true,
       true,
       {"--check-after", "1", "--check-time", "2", "-t", "5"},
       3,
       "Query timeout expired",
       2,
       9},
      {"check switched off",
       true,
       false,
       {"--check-after", "0", "-t", "3"},
       3,
       "Query timeout expired",
       1,
       7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandinServer fresh;  // a password changed here stays here
    TdsStallProxy stalling(fresh.port());
    std::vector<std::string> args{
        "-S",     c.stall ? stalling.server() : slow.server(), "-d", "pubs", "-U", "sa", "-P",
        "Secret1"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::thread changer;
    if (c.changePassword) {
      changer = std::thread([&] {
        while (stalling.stalledBatches() == 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        TempDir other;
        WriteBytes(other.File("change.sql"), "EXEC sp_password 'Secret1', 'Other2', 'sa'\n");
        RunTool({PELVANE_ISQLW_PATH, "-S", fresh.server(), "-U", "sa", "-P", "Secret1", "-i",
                 other.File("change.sql"), "-o", other.File("out.log")},
                "");
      });
    }
    const auto started = std::chrono::steady_clock::now();
    ToolRun run = Run(args, "SELECT 1 AS one\nGO\n");
    const auto took = std::chrono::steady_clock::now() - started;
    if (changer.joinable()) changer.join();
    EXPECT_LT(took, std::chrono::seconds(c.maxSeconds));
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.output << run.errors;
    EXPECT_NE(run.output.find(c.line), std::string::npos) << run.output;
    if (c.stall) {
      EXPECT_EQ(stalling.connections(), c.connections);
    }
  }
}

TEST_F(IsqlwTest, ScriptsThatCannotBeReadOrWouldBeOverwrittenAreRefused) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.sql");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string script = dir.File("a.sql");
  const std::string link = dir.File("same.sql");
  WriteBytes(script, "select 1\r\n");
  ASSERT_EQ(::symlink(script.c_str(), link.c_str()), 0);
  struct Case {
    std::string script, output;
    std::string reason;  // empty: only refused
  } cases[] = {
      {"/nonexistent/script.sql", OutputPath(), "File not found"},
      {dir.path().string(), OutputPath(), "not a regular file"},  // a folder once ended the tool
      {fifo, OutputPath(), "not a regular file"},                 // a pipe must not block it
      {script, script, ""},                                       // output over the script
      {script, link, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script + " -> " + c.output);
    std::vector<std::string> args = Login();
    args.insert(args.end(), {"-i", c.script, "-o", c.output});
    ToolRun run = RunRaw(args);
    EXPECT_EQ(run.exitStatus, 2);
    if (!c.reason.empty()) {
      EXPECT_EQ(run.output.rfind("Cannot read the script file " + c.script, 0), 0u) << run.output;
      EXPECT_NE(run.output.find(c.reason), std::string::npos) << run.output;
    }
  }
  EXPECT_EQ(ReadBytes(script), "select 1\r\n");
}

}  // namespace
}  // namespace pelvane::testing
