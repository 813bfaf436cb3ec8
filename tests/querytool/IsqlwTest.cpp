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

namespace pelvane::testing {
namespace {

using Strings = std::vector<std::string>;

struct ToolRun {
  int exitStatus;
  std::string output, errors;  // the -o file, what the tool printed
};

class IsqlwTest : public ::testing::Test {
 protected:
  Strings Login(const std::string& server = "") const {
    return {"-S",     server.empty() ? server_.server() : server, "-d", "pubs", "-U", "sa", "-P",
            "Secret1"};
  }
  /// isqlw with `args`; a script given is written to a file of its own and named with -i,
  /// beside -o for the output file.
  ToolRun Run(Strings args, const std::optional<std::string>& script) {
    if (script) {
      WriteBytes(dir_.File("script.sql"), *script);
      args.insert(args.end(), {"-i", dir_.File("script.sql"), "-o", OutputPath()});
    }
    args.insert(args.begin(), PELVANE_ISQLW_PATH);
    ToolOutcome run = RunTool(args, "");
    return {run.exitCode, ReadBytes(OutputPath()), run.output};
  }
  std::string OutputPath() const { return dir_.File("output.log"); }

  StandinServer server_;
  TempDir dir_;
};

// The stand-in reports integers as bigint (20 wide) and text as nvarchar(4000), which the
// layout caps at 256 characters. An error ends its batch only.
TEST_F(IsqlwTest, MixedScriptGivesClassicLayoutAndLaterBatchesStillRun) {
  ToolRun run = Run(Login(), ReadBytes(PELVANE_QUERYTOOL_DATA "/mixed.sql"));
  EXPECT_EQ(run.exitStatus, 1) << run.errors;
  EXPECT_EQ(run.output, ReadBytes(PELVANE_QUERYTOOL_DATA "/mixed.out"));
}

// Exit status 0 for a script whose batches all ran, 2 when the tool never got to run it; what
// stopped it goes to the output file, never the password.
TEST_F(IsqlwTest, ScriptAndLoginOutcomes) {
  const std::string server = server_.server();
  struct Case {
    const char* name;
    Strings args;
    std::string script;
    int exitStatus;
    Strings found, absent;  // in the output file; absent also from what it printed
  };
  const Case cases[] = {
      // NOCOUNT: the server sends no count; an informational RAISERROR is no failure.
      {"NOCOUNT and a note", Login(),
       "SET NOCOUNT ON\nSELECT 7 AS seven, 'x' AS letter\nGO\nPRINT 'done'\n"
       "RAISERROR('just a note', 10, 1)\n",
       0, Strings{"\r\n                   7 x", "\r\ndone\r\njust a note\r\n"},
       Strings{"Server: Msg", "row(s) affected"}},
      {"wrong password", Strings{"-S", server, "-U", "sa", "-P", "NotTheSecret"}, "SELECT 1\n", 2,
       Strings{"Server: Msg 18456, Level 14, State 1, Line 1", "Login failed for user 'sa'.",
               "Cannot connect to server " + server + ": "},
       Strings{"NotTheSecret"}},
      {"unknown database", Strings{"-S", server, "-d", "nodb", "-U", "sa", "-P", "Secret1"},
       "SELECT 1\n", 2,
       Strings{"Cannot open database \"nodb\" requested by the login. The login failed."},
       Strings{"Secret1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolRun run = Run(c.args, c.script);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.output << run.errors;
    for (const std::string& part : c.found)
      EXPECT_NE(run.output.find(part), std::string::npos) << part << " in:\n" << run.output;
    for (const std::string& part : c.absent)
      EXPECT_EQ((run.output + run.errors).find(part), std::string::npos) << part;
    EXPECT_EQ(run.errors.find("Cannot connect to server") != std::string::npos, c.exitStatus == 2);
  }
}

// A batch ends at its time-out, or when the server answers neither it nor a check on a second
// connection; a server that is merely slow is waited for.
TEST_F(IsqlwTest, StalledSlowAndTricklingServers) {
  StandinServer::Options slowOptions;
  slowOptions.latencyMs = 2500;  // longer than the silence before a check
  StandinServer slow(slowOptions);
  using Mode = TdsStallProxy::Mode;
  struct Case {
    const char* name;
    std::optional<Mode> proxy;  // none: straight to `slow`
    bool changePassword;        // once the batch waits, so that every check is refused
    Strings args;               // beside the login
    int exitStatus;
    std::string line;  // in the output
    int connections;   // the proxy relayed: the script's and one per check
    int maxSeconds;
  };
  const Case cases[] = {
      {"stalled", Mode::kStallBatches, false, Strings{"--check-after", "1", "--check-time", "2"}, 4,
       "did not answer a check on a second connection within 2 seconds while the batch waited; "
       "the batch was ended and the connection closed.",
       2, 8},
      {"slow but alive", std::nullopt, false, Strings{"--check-after", "1", "--check-time", "5"}, 0,
       "(1 row(s) affected)", 0, 10},
      // A refused login (a changed password) is an answer, not proof of a stall: the
      // time-out ends the batch instead, and no second check costs another failed logon.
      {"checks refused", Mode::kStallBatches, true,
       Strings{"--check-after", "1", "--check-time", "2", "-t", "5"}, 3, "Query timeout expired", 2,
       9},
      {"check switched off", Mode::kStallBatches, false, Strings{"--check-after", "0", "-t", "3"},
       3, "Query timeout expired", 1, 7},
      // Every read gets a byte within 100 ms, so only a deadline for the whole batch ends it;
      // its answer alone would take several seconds.
      {"trickling answer", Mode::kTrickleBatches, false, Strings{"-t", "1"}, 3,
       "Query timeout expired: a batch ran longer than 1 seconds on server 127.0.0.1,", 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandinServer fresh;  // a password changed here stays here
    TdsStallProxy proxy(fresh.port(), c.proxy.value_or(Mode::kStallBatches));
    Strings args = Login(c.proxy ? proxy.server() : slow.server());
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::thread changer;
    if (c.changePassword) {
      changer = std::thread([&] {
        while (proxy.stalledBatches() == 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        TempDir other;
        WriteBytes(other.File("change.sql"), "EXEC sp_password 'Secret1', 'Other2', 'sa'\n");
        RunTool({PELVANE_ISQLW_PATH, "-S", fresh.server(), "-U", "sa", "-P", "Secret1", "-i",
                 other.File("change.sql"), "-o", other.File("out.log")},
                "");
      });
    }
    const auto started = std::chrono::steady_clock::now();
    ToolRun run = Run(args, "SELECT 'a fairly long text' AS one, 2 AS two\nGO\n");
    const auto took = std::chrono::steady_clock::now() - started;
    if (changer.joinable()) changer.join();
    EXPECT_LT(took, std::chrono::seconds(c.maxSeconds));
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.output << run.errors;
    EXPECT_NE(run.output.find(c.line), std::string::npos) << run.output;
    if (c.proxy) {
      EXPECT_EQ(proxy.connections(), c.connections);
    }
  }
}

TEST_F(IsqlwTest, ScriptsThatCannotBeReadOrWouldBeOverwrittenAreRefused) {
  const std::string fifo = dir_.File("pipe.sql"), script = dir_.File("a.sql"),
                    link = dir_.File("same.sql");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  WriteBytes(script, "select 1\r\n");
  ASSERT_EQ(::symlink(script.c_str(), link.c_str()), 0);
  struct Case {
    std::string script, output;
    std::string reason;  // empty: only refused
  } cases[] = {
      {"/nonexistent/script.sql", OutputPath(), "File not found"},
      {dir_.path().string(), OutputPath(), "not a regular file"},  // a folder once ended the tool
      {fifo, OutputPath(), "not a regular file"},                  // a pipe must not block it
      {script, link, ""},                                          // output over the script
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script + " -> " + c.output);
    Strings args = Login();
    args.insert(args.end(), {"-i", c.script, "-o", c.output});
    ToolRun run = Run(args, std::nullopt);
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
