// SPDX-License-Identifier: GPL-3.0-or-later
// pelvanectl against a silent server, hostile text, signals and a second run beside it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "CliFixture.h"
#include "support/Loopback.h"
#include "support/TdsStallProxy.h"

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::StandinServer;
using pelvane::testing::Subprocess;

/// The children of a process, from every one of its threads.
std::vector<pid_t> ChildrenOf(pid_t parent) {
  std::vector<pid_t> children;
  std::error_code ignored;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(parent) + "/task", ignored)) {
    std::ifstream list(task.path() / "children");
    for (pid_t child; list >> child;) children.push_back(child);
  }
  return children;
}

/// Whether a process is gone (or only a zombie waiting for a parent that does not reap): the
/// state follows the name's closing bracket, as the name may hold blanks.
bool Gone(pid_t pid) {
  std::string line;
  return !std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), line) ||
         line.substr(line.rfind(')') + 2, 1) == "Z";
}

template <class Condition>
bool Eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return condition();
}

class HardeningTest : public CliFixture {
 protected:
  void SetUp() override { ASSERT_EQ(Run({"set", "Pelvane", "DateTimeFormat", "\"T\""}).code, 0); }

  /// pelvanectl itself, for what only a process can show (signals, a second run beside).
  std::unique_ptr<Subprocess> Start(std::vector<std::string> args) {
    args.insert(args.begin(), {PELVANE_PELVANECTL_PATH, "--settings", settings});
    return std::make_unique<Subprocess>(args);
  }
};

// A server that accepts the login and then never answers is ended by the script's time-out;
// server text cannot drive the terminal.
TEST_F(HardeningTest, SilentServersAndHostileTextFailTheScriptAndSayWhy) {
  StandinServer standin;
  pelvane::testing::TdsStallProxy silent(standin.port());
  Register(silent.server());
  Register(standin.server());
  const std::string raise =
      Script("esc.sql", "RAISERROR('before \x1b]0;owned\x07 after', 16, 1)\nGO\n");
  Outcome run = Run({"run", "--server", silent.server(), "--server", standin.server(), "--script",
                     raise, "--script-timeout", "2"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err, "");
  // Lines the run composes keep a server name with a comma whole.
  for (const std::string& shown :
       {"Vesk process for " + raise + " timed out after 2 seconds on Server: " + silent.server() +
            "; the script was ended.",
        "\nServer: [" + silent.server() + "] @ T\n", std::string("before ^[]0;owned^G after")})
    EXPECT_TRUE(Contains(run.out, shown)) << run.out;
  EXPECT_FALSE(Contains(run.out, "\x1b")) << run.out;
  EXPECT_GE(silent.stalledBatches(), 1);
}

TEST_F(HardeningTest, SignalsEndTheRunInEveryPhaseAndLeaveNoQueryToolBehind) {
  StandinServer standin;
  pelvane::testing::TdsStallProxy stalling(standin.port());
  StandinServer slow({2, {"sa:Secret1"}, {"pubs"}, 20000});
  pelvane::testing::SilentListener silent[2];
  // Servers whose login check would take the whole 15-second login time-out; listed without
  // the login test, which would wait as long.
  for (const auto& server : silent) {
    ASSERT_EQ(Run({"servers", "add", server.server()}).code, 0);
    ASSERT_EQ(Run({"set", server.server(), "Login", "sa"}).code, 0);
  }
  Register(stalling.server());
  Register(slow.server(0));
  Register(slow.server(1));
  const std::string script = Script("wait.sql", "SELECT 1\nGO\n");
  // Each phase: the run, the line of its log that shows it has reached the phase (none: its
  // query tool has started), and what the interrupted run says.
  struct Phase {
    std::vector<std::string> run;
    std::string reached, interrupted;
  };
  const Phase login{
      {"run", "--server", silent[0].server(), "--server", silent[1].server(), "--script", script},
      std::string(82, '-'),
      "The run was interrupted during the login check on Server: " +
          std::min(silent[0].server(), silent[1].server()) + "."};
  const std::string firstSlow = std::min(slow.server(0), slow.server(1));
  const Phase simple{{"run", "--server", slow.server(0), "--server", slow.server(1),
                      "--simple-script", "SELECT 1 AS x"},
                     firstSlow + ": Simple Script Results",
                     "Simple Script FAILED on Server: " + firstSlow + ". The run was interrupted."};
  const Phase queryTool{{"run", "--server", stalling.server(), "--script", script},
                        "",
                        "The run was interrupted; the query tool was ended while it ran " + script};
  const std::pair<const Phase*, int> cases[] = {
      {&login, SIGINT},     {&simple, SIGINT},     {&simple, SIGTERM},
      {&queryTool, SIGINT}, {&queryTool, SIGTERM}, {&queryTool, SIGKILL},
  };
  for (const auto& [phase, signal] : cases) {
    SCOPED_TRACE(phase->interrupted + " " + std::to_string(signal));
    // SIGTERM to a query tool under a log collected until the end, which the interrupted run
    // prints (the tool cases come last: the others read the live log).
    if (phase == &queryTool) {
      ASSERT_EQ(Run({"set", "Pelvane", "RefreshLogWindow", signal == SIGTERM ? "0" : "1"}).code, 0);
    }
    std::unique_ptr<Subprocess> run = Start(phase->run);
    std::string log, line;
    std::vector<pid_t> tools;
    if (phase->reached.empty()) {
      ASSERT_TRUE(Eventually([&] { return !(tools = ChildrenOf(run->pid())).empty(); }));
    } else {
      while (line != phase->reached && run->ReadLine(line, std::chrono::seconds(10)))
        log += line + "\n";
      ASSERT_EQ(line, phase->reached) << log;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(run->pid(), signal);
    // Far sooner than the login time-out, the query's 60 s or the script's hour.
    EXPECT_TRUE(run->WaitForExit(std::chrono::seconds(8)));
    for (pid_t tool : tools) EXPECT_TRUE(Eventually([&] { return Gone(tool); })) << tool;
    if (signal == SIGKILL) continue;
    log += run->ReadAll(std::chrono::seconds(60));
    const int status = run->Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << status;
    EXPECT_TRUE(Contains(log, phase->interrupted)) << log;
    EXPECT_TRUE(Contains(log, std::string("*** The run was interrupted by ") +
                                  (signal == SIGINT ? "SIGINT" : "SIGTERM") + ". ***"))
        << log;
    // The second server of the group never starts.
    EXPECT_FALSE(Contains(log, "Server: " + std::max(silent[0].server(), silent[1].server())));
    EXPECT_FALSE(Contains(log, std::max(slow.server(0), slow.server(1)) + ":")) << log;
    if (phase == &queryTool) {
      // The log file has what the run did before the signal, also when it was collected.
      EXPECT_TRUE(Contains(ReadBytes(dir.File("Pelvane.log")),
                           "the query tool was ended while it ran " + script +
                               " on Server: " + stalling.server() + ".\r\n"));
    }
  }
}

TEST_F(HardeningTest, TwoRunsAtOnceKeepTheirOwnVerdicts) {
  StandinServer slow({1, {"sa:Secret1"}, {"pubs"}, 400}), fast;
  Register(slow.server());
  Register(fast.server());
  const std::string bad =
      Script("bad.sql", "SELECT 1\nGO\nSELECT 2\nGO\nSELECT id FROM nope\nGO\n");
  const std::string good = Script("good.sql", "SELECT 1\nGO\n");
  for (int round = 0; round < 3; ++round) {
    auto failing = Start({"run", "--server", slow.server(), "--script", bad});
    auto passing = Start(
        {"run", "--server", fast.server(), "--script", good, "--script", good, "--script", good});
    const std::string failingLog = failing->ReadAll(std::chrono::seconds(60));
    const std::string passingLog = passing->ReadAll(std::chrono::seconds(60));
    EXPECT_EQ(WEXITSTATUS(failing->Stop()), 1) << failingLog;
    EXPECT_EQ(WEXITSTATUS(passing->Stop()), 0) << passingLog;
    EXPECT_TRUE(Contains(failingLog, "Vesk process for " + bad + " --> UNSUCCESSFUL."));
  }
  // No output file or scratch folder is left beside the settings.
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_FALSE(Contains(entry.path().filename().string(), "PelvaneScript")) << entry.path();
}

}  // namespace
}  // namespace pelvane::cli
