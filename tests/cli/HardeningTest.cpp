// SPDX-License-Identifier: GPL-3.0-or-later
// pelvanectl against hostile input, a silent server, signals and a second run beside it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "CliFixture.h"
#include "platform/SilentListener.h"
#include "support/TdsStallProxy.h"

#ifndef PELVANE_PELVANECTL_PATH
#error "PELVANE_PELVANECTL_PATH must name the pelvanectl executable"
#endif

namespace pelvane::cli {
namespace {

using pelvane::testing::StandinServer;
using pelvane::testing::Subprocess;
using pelvane::testing::TdsStallProxy;
using pelvane::testing::WriteBytes;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

/// The state and parent of a process from /proc (state 0 when it is gone).
std::pair<char, pid_t> StateAndParent(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  char state = 0;
  pid_t ppid = 0;
  // pid (comm) state ppid ...: the name may hold blanks, so read after its closing bracket.
  if (std::getline(stat, line))
    std::istringstream(line.substr(line.rfind(')') + 1)) >> state >> ppid;
  return {state, ppid};
}

/// The processes whose parent is `parent` (zombies aside).
std::vector<pid_t> ChildrenOf(pid_t parent) {
  std::vector<pid_t> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto [state, ppid] = StateAndParent(name);
    if (ppid == parent && state != 'Z' && state != 0) children.push_back(std::stoi(name));
  }
  return children;
}

/// Whether a process is gone (or only a zombie waiting for a parent that does not reap).
bool Gone(pid_t pid) {
  const char state = StateAndParent(std::to_string(pid)).first;
  return state == 0 || state == 'Z';
}

template <class Condition>
bool Eventually(Condition condition, std::chrono::seconds limit = std::chrono::seconds(20)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}

/// A loopback listener that answers every connection with `reply` and hangs up.
class RudeListener {
 public:
  explicit RudeListener(std::string reply) : reply_(std::move(reply)) {
    sockaddr_in addr{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof addr;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len);
    ::listen(fd_, 8);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    server_ = "127.0.0.1," + std::to_string(ntohs(addr.sin_port));
    thread_ = std::thread([this] {
      for (pollfd p{fd_, POLLIN, 0}; !done_;) {
        if (::poll(&p, 1, 50) <= 0) continue;
        const int connection = ::accept(fd_, nullptr, nullptr);
        ::send(connection, reply_.data(), reply_.size(), MSG_NOSIGNAL);
        ::close(connection);
      }
    });
  }
  ~RudeListener() {
    done_ = true;
    thread_.join();
    ::close(fd_);
  }
  const std::string& server() const { return server_; }

 private:
  std::string reply_, server_;
  int fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::atomic<bool> done_{false};
  std::thread thread_;
};

class HardeningTest : public CliFixture {
 protected:
  void SetUp() override { ASSERT_EQ(Run({"set", "Pelvane", "DateTimeFormat", "\"T\""}).code, 0); }

  /// pelvanectl itself, for what only a process can show (signals, a second run beside).
  std::unique_ptr<Subprocess> Start(std::vector<std::string> args) {
    args.insert(args.begin(), {PELVANE_PELVANECTL_PATH, "--settings", settings});
    return std::make_unique<Subprocess>(args);
  }
};

// Servers that misbehave: the script fails and the log says why, in text that cannot drive the
// terminal; a link planted where the report is to go is replaced, not followed.
TEST_F(HardeningTest, MisbehavingServersFailTheScriptAndSayWhy) {
  StandinServer standin;
  TdsStallProxy silent(standin.port());
  RudeListener garbage("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n"), hangUp("");
  const std::string select = Script("a.sql", "SELECT 1\nGO\n");
  const std::string raise =
      Script("esc.sql", "RAISERROR('before \x1b]0;owned\x07 after', 16, 1)\nGO\n");
  const std::string victim = dir.File("victim.txt"), report = dir.File("run.csv");
  WriteBytes(victim, "keep");
  const std::string notThere = "SQL Server does not exist or is not accessible. Server: ";
  const std::string dead = DeadServer();
  struct Case {
    std::string server, script;
    bool answers;                    // false: the login check fails first and no tool runs
    std::vector<std::string> shown;  // parts of the log
  };
  const Case cases[] = {
      // Accepts the login, then never answers: the script's time-out ends it. Lines the run
      // composes keep a server name with a comma whole.
      {silent.server(),
       select,
       true,
       {"Vesk process for " + select + " timed out after 2 seconds on Server: " + silent.server() +
            "; the script was ended.",
        "Vesk process for " + select + " --> UNSUCCESSFUL.",
        "\nServer: [" + silent.server() + "] @ T\n"}},
      {garbage.server(), select, false, {notThere + garbage.server() + "."}},
      {hangUp.server(), select, false, {notThere + hangUp.server() + "."}},
      {dead, select, false, {notThere + dead + "."}},
      {"no-such-host.invalid", select, false, {notThere + "NO-SUCH-HOST.INVALID."}},
      {standin.server(), raise, true, {"before ^[]0;owned^G after"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server);
    Register(c.server);
    std::filesystem::remove(report);
    std::filesystem::create_symlink(victim, report);
    Outcome run = Run({"run", "--server", c.server, "--script", c.script, "--script-timeout", "2",
                       "--report", report});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "");
    for (const std::string& shown : c.shown) EXPECT_TRUE(Contains(run.out, shown)) << run.out;
    // The query tool writes these details of a failure.
    EXPECT_EQ(Contains(run.out, "Error in Vesk Process"), c.answers) << run.out;
    EXPECT_FALSE(Contains(run.out, "\x1b")) << run.out;
    EXPECT_EQ(pelvane::testing::ReadBytes(victim), "keep");
    EXPECT_TRUE(Contains(pelvane::testing::ReadBytes(report), "Position,Server"));
  }
  EXPECT_GE(silent.stalledBatches(), 1);
}

TEST_F(HardeningTest, SignalsEndTheRunInEveryPhaseAndLeaveNoQueryToolBehind) {
  StandinServer standin;
  TdsStallProxy stalling(standin.port());
  StandinServer::Options slowOptions;
  slowOptions.servers = 2;
  slowOptions.latencyMs = 20000;
  StandinServer slow(slowOptions);
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
      {&login, SIGINT},     {&login, SIGTERM},     {&simple, SIGINT},     {&simple, SIGTERM},
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
    int status = run->Stop();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    EXPECT_TRUE(Contains(log, phase->interrupted)) << log;
    EXPECT_TRUE(Contains(log, std::string("*** The run was interrupted by ") +
                                  (signal == SIGINT ? "SIGINT" : "SIGTERM") + ". ***"))
        << log;
    // The second server of the group never starts.
    EXPECT_FALSE(Contains(log, "Server: " + std::max(silent[0].server(), silent[1].server())));
    EXPECT_FALSE(Contains(log, std::max(slow.server(0), slow.server(1)) + ":")) << log;
    if (phase == &queryTool) {
      // The log file has what the run did before the signal, also when it was collected.
      const std::string saved = pelvane::testing::ReadBytes(dir.File("Pelvane.log"));
      EXPECT_TRUE(Contains(saved, "the query tool was ended while it ran " + script +
                                      " on Server: " + stalling.server() + ".\r\n"))
          << saved;
    }
  }
}

TEST_F(HardeningTest, TwoRunsAtOnceKeepTheirOwnVerdicts) {
  StandinServer::Options slowOptions;
  slowOptions.latencyMs = 400;
  StandinServer slow(slowOptions);
  StandinServer fast;
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
    int failingStatus = failing->Stop(), passingStatus = passing->Stop();
    EXPECT_EQ(WEXITSTATUS(failingStatus), 1) << failingLog;
    EXPECT_EQ(WEXITSTATUS(passingStatus), 0) << passingLog;
    EXPECT_TRUE(Contains(failingLog, "Vesk process for " + bad + " --> UNSUCCESSFUL."));
    EXPECT_FALSE(Contains(passingLog, "UNSUCCESSFUL")) << passingLog;
  }
  // No output file or scratch folder is left beside the settings.
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_FALSE(Contains(entry.path().filename().string(), "PelvaneScript")) << entry.path();
}

// One check before every command; a pipe would block if it were read.
TEST_F(HardeningTest, SettingsThatCannotBeReadAreReported) {
  const std::string folder = dir.File("folder.ZRQ"), pipe = dir.File("pipe.ZRQ");
  std::filesystem::create_directory(folder);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (const std::string& path : {folder, pipe}) {
    Outcome out = Run({"--settings", path, "servers", "list"});
    EXPECT_EQ(out.code, 1) << path;
    EXPECT_TRUE(Contains(out.err, path)) << out.err;
    EXPECT_EQ(out.out, "");
  }
}

}  // namespace
}  // namespace pelvane::cli
