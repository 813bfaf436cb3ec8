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
#include "settings/ProfileText.h"
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

/// The processes whose parent is `parent`, from /proc.
std::vector<pid_t> ChildrenOf(pid_t parent) {
  std::vector<pid_t> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid ...: the name may hold blanks, so read after its closing bracket.
    std::istringstream rest(line.substr(line.rfind(')') + 1));
    char state = 0;
    pid_t ppid = 0;
    if (rest >> state >> ppid && ppid == parent && state != 'Z')
      children.push_back(static_cast<pid_t>(std::stoi(name)));
  }
  return children;
}

/// Whether a process is gone (or only a zombie waiting for a parent that does not reap).
bool Gone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  std::istringstream rest(line.substr(line.rfind(')') + 1));
  char state = 0;
  return rest >> state && state == 'Z';
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

class HardeningTest : public CliFixture {
 protected:
  void SetUp() override { ASSERT_EQ(Run({"set", "Pelvane", "DateTimeFormat", "\"T\""}).code, 0); }

  /// pelvanectl itself, for what only a process can show (signals, a second run beside).
  std::unique_ptr<Subprocess> Start(std::vector<std::string> args) {
    args.insert(args.begin(), {PELVANE_PELVANECTL_PATH, "--settings", settings});
    return std::make_unique<Subprocess>(args);
  }

  static std::string ReadAll(Subprocess& process) {
    std::string all, line;
    while (process.ReadLine(line, std::chrono::seconds(60))) all += line + "\n";
    return all;
  }
};

TEST_F(HardeningTest, ASilentServerTimesOutAndTheScriptFails) {
  StandinServer standin;
  TdsStallProxy silent(standin.port());
  Register(silent.server());
  const std::string script = Script("wait.sql", "SELECT 1\nGO\n");
  Outcome run =
      Run({"run", "--server", silent.server(), "--script", script, "--script-timeout", "2"});
  EXPECT_EQ(run.code, 1) << run.err;
  EXPECT_TRUE(Contains(run.out, "Vesk process for " + script +
                                    " timed out after 2 seconds on "
                                    "Server: " +
                                    silent.server() + "; the script was ended."))
      << run.out;
  EXPECT_TRUE(Contains(run.out, "Vesk process for " + script + " --> UNSUCCESSFUL.")) << run.out;
  // Lines the run composes keep a server name with a comma whole; only the tool's output
  // file is read field by field, as the details of a failure always were.
  EXPECT_TRUE(Contains(run.out, "\nServer: [" + silent.server() + "] @ T\n")) << run.out;
  EXPECT_GE(silent.stalledBatches(), 1);
}

TEST_F(HardeningTest, AKilledOrStoppedRunLeavesNoQueryToolBehind) {
  StandinServer standin;
  TdsStallProxy silent(standin.port());
  Register(silent.server());
  const std::string script = Script("wait.sql", "SELECT 1\nGO\n");
  for (int signal : {SIGKILL, SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    auto run = Start({"run", "--server", silent.server(), "--script", script});
    std::vector<pid_t> tools;
    ASSERT_TRUE(Eventually([&] { return !(tools = ChildrenOf(run->pid())).empty(); }));
    ::kill(run->pid(), signal);
    EXPECT_TRUE(Eventually([&] { return Gone(tools[0]); })) << "isqlw " << tools[0];
    if (signal == SIGKILL) {
      run->Stop();
      continue;
    }
    const std::string log = ReadAll(*run);
    int status = run->Stop();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    EXPECT_TRUE(
        Contains(log, "The run was interrupted; the query tool was ended while it ran " + script))
        << log;
    EXPECT_TRUE(Contains(log, std::string("*** The run was interrupted by ") +
                                  (signal == SIGINT ? "SIGINT" : "SIGTERM") + ". ***"))
        << log;
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
    const std::string failingLog = ReadAll(*failing);
    const std::string passingLog = ReadAll(*passing);
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

TEST_F(HardeningTest, ALoginCheckThatFailsBeforeTheServerAnswersStartsNoTool) {
  // A listener that answers with something other than TDS, and one that hangs up at once.
  int garbage = ::socket(AF_INET, SOCK_STREAM, 0), hangUp = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int ports[2];
  for (int i = 0; i < 2; ++i) {
    int fd = i == 0 ? garbage : hangUp;
    addr.sin_port = 0;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(fd, 8), 0);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ports[i] = ntohs(addr.sin_port);
  }
  std::atomic<bool> done{false};
  std::thread answering([&] {
    while (!done) {
      pollfd fds[2] = {{garbage, POLLIN, 0}, {hangUp, POLLIN, 0}};
      if (::poll(fds, 2, 50) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        int c = ::accept(garbage, nullptr, nullptr);
        const char junk[] = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n";
        ::send(c, junk, sizeof junk - 1, MSG_NOSIGNAL);
        ::close(c);
      }
      if (fds[1].revents & POLLIN) ::close(::accept(hangUp, nullptr, nullptr));
    }
  });
  const std::string script = Script("a.sql", "SELECT 1\nGO\n");
  const std::vector<std::string> servers = {"127.0.0.1," + std::to_string(ports[0]),
                                            "127.0.0.1," + std::to_string(ports[1]), DeadServer(),
                                            "no-such-host.invalid"};
  for (const std::string& server : servers) {
    Register(server);
    Outcome run = Run({"run", "--server", server, "--script", script});
    EXPECT_EQ(run.code, 1) << server << ": " << run.err;
    EXPECT_TRUE(Contains(run.out, "SQL Server does not exist or is not accessible. Server: " +
                                      pelvane::settings::AsciiUpper(server) + "."))
        << server << ": " << run.out;
    // The query tool would have written "Error in Vesk Process" details had it run.
    EXPECT_FALSE(Contains(run.out, "Error in Vesk Process")) << run.out;
    EXPECT_EQ(run.err, "") << server;
  }
  done = true;
  answering.join();
  ::close(garbage);
  ::close(hangUp);
}

TEST_F(HardeningTest, RefusalsAreClearAndChangeNothing) {
  StandinServer standin;
  Register(standin.server());
  const std::string script = Script("a.sql", "SELECT 1\nGO\n");
  std::vector<std::string> manyScripts{"run", "--server", standin.server()};
  for (int i = 0; i < 101; ++i) manyScripts.insert(manyScripts.end(), {"--script", script});
  ASSERT_EQ(Run({"set", "Keep", "k", "v"}).code, 0);
  const std::string before = pelvane::testing::ReadBytes(settings);
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"run", "--server", standin.server(), "--script", script, "--start-index", "2"},
       "--start-index 2 is past the end of the list of 1 server"},
      {manyScripts, "at most 100 --script paths"},
      {{"run", "--server", standin.server(), "--script", script + "|" + script},
       "a path cannot hold \"|\""},
      {{"run", "--server", standin.server(), "--script-timeout", "soon"}, "--script-timeout"},
      {{"--settings"}, "--settings needs a file name"},
      {{"servers", "add", "?prod"}, "A server name cannot begin with \"?\""},
      {{"servers", "add", std::string(256, 'S')}, "A server name is 256 characters long"},
      {{"servers", "add", "S2", "--group", std::string(300, 'g')}, "A server group is 300"},
      {{"set", "Pelvane", "LogFile", "?x"}, "cannot begin with \"?\""},
      {{"login", standin.server(), "--user", std::string(256, 'u'), "--database", "pubs",
        "--password-stdin", "--save-anyway"},
       "A login is 256 characters long"},
  };
  for (const Case& c : cases) {
    Outcome out = Run(c.args, "Secret1\n");
    EXPECT_EQ(out.code, 2) << c.message << ": " << out.err;
    EXPECT_TRUE(Contains(out.err, c.message)) << out.err;
    EXPECT_EQ(out.out, "") << c.message;
  }
  EXPECT_EQ(pelvane::testing::ReadBytes(settings), before);
}

TEST_F(HardeningTest, SettingsThatCannotBeReadAreReported) {
  const std::string folder = dir.File("folder.ZRQ");
  std::filesystem::create_directory(folder);
  const std::string pipe = dir.File("pipe.ZRQ");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::vector<std::string> paths{folder, pipe};
  if (::geteuid() != 0) {  // root reads any file
    const std::string unreadable = dir.File("unreadable.ZRQ");
    WriteBytes(unreadable, "[Servers]\nServer1=A\n");
    ::chmod(unreadable.c_str(), 0200);
    paths.push_back(unreadable);
  }
  for (const std::string& path : paths) {
    for (std::vector<std::string> command :
         {std::vector<std::string>{"servers", "list"}, {"get", "Pelvane", "Notify"}}) {
      command.insert(command.begin(), {"--settings", path});
      Outcome out = Run(command);  // a pipe would block here if it were opened for reading
      EXPECT_EQ(out.code, 1) << path;
      EXPECT_TRUE(Contains(out.err, path)) << out.err;
      EXPECT_EQ(out.out, "");
    }
  }
}

}  // namespace
}  // namespace pelvane::cli
