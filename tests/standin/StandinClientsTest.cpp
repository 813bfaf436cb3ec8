// SPDX-License-Identifier: GPL-3.0-or-later
// sqlstandin against clients written elsewhere: FreeTDS's tsql and unixODBC's isql.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <thread>

#include "TdsBytes.h"
#include "ToolRun.h"
#include "support/StandinServer.h"

namespace pelvane::testing {
namespace {

ToolOutcome Tsql(const StandinServer& server, const std::string& input,
                 const std::string& password = "Secret1", const std::string& database = "",
                 const std::string& version = "7.4", size_t index = 0) {
  std::vector<std::string> argv{
      "tsql", "-H", "127.0.0.1", "-p",    std::to_string(server.port(index)),
      "-U",   "sa", "-P",        password};
  if (!database.empty()) argv.insert(argv.end(), {"-D", database});
  return RunTool(argv, input, {"TDSVER=" + version});
}

ToolOutcome Isql(const StandinServer& server, const std::string& input,
                 const std::string& version) {
  return RunTool({"isql", "-v", "-k",
                  "DRIVER={SQL Server};SERVER=" + server.server() +
                      ";UID=sa;PWD=Secret1;TDS_Version=" + version},
                 input);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The token layouts differ between 7.1 and 7.2+ (line numbers, row counts, long text); tsql goes
// out of step on any byte out of place.
TEST(StandinClientsTest, TsqlAtEveryVersion) {
  StandinServer server;
  ToolOutcome made = Tsql(
      server, "create procedure shout as\nprint 'hi'\nraiserror('from proc', 16, 1)\ngo\nexit\n");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  for (const char* version : {"7.1", "7.2", "7.3", "7.4"}) {
    ToolOutcome run = Tsql(server,
                           "select 42 as answer, 'text' as word, 1.5 as half, null as absent\n"
                           "go\nexec shout\nuse pubs\n"
                           "select db_name() as db, N'n\xC3\xA4me \xF0\x9F\x98\x80' as wide\n"
                           "go\nexit\n",
                           "Secret1", "", version);
    EXPECT_EQ(run.exitCode, 0) << version << "\n" << run.output;
    for (const char* part : {"answer\tword\thalf\tabsent\n42\ttext\t1.5\tNULL\n(1 row affected)",
                             "hi\n", ", Procedure shout Line 3:\n\t\"from proc\"\n",
                             "db\twide\npubs\tn\xC3\xA4me \xF0\x9F\x98\x80\n"})
      EXPECT_TRUE(Contains(run.output, part)) << version << " lacks " << part << "\n" << run.output;
  }

  ToolOutcome login = Tsql(server, "select db_name()\ngo\nexit\n", "Secret1", "pubs");
  EXPECT_TRUE(Contains(login.output, "\npubs\n")) << "the login's database\n" << login.output;

  // The batch spans several client packets; the reply several server packets.
  std::string padding(20000, ' ');
  ToolOutcome wide =
      Tsql(server, "select '" + std::string(6000, 'x') + "' as wide" + padding + "\ngo\nexit\n");
  EXPECT_TRUE(Contains(wide.output, "wide\n" + std::string(6000, 'x') + "\n(1 row affected)"))
      << wide.output;
}

TEST(StandinClientsTest, IsqlQueriesThroughTheSqlServerDriver) {
  StandinServer server;
  // isql prepares each statement: sp_prepexec and its output handle; the password call returns a
  // status.
  for (const char* version : {"7.1", "7.4"}) {
    ToolOutcome run = Isql(server,
                           "select 7 as seven\nselect * from missing_table\n"
                           "exec sp_password 'bad', 'Secret1'\nselect 8 as eight\n",
                           version);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const char* part : {"Connected!", "| seven", "| 7 ", "| 8 ",
                             "[FreeTDS][SQL Server]Invalid object name 'missing_table'.",
                             "[FreeTDS][SQL Server]Old (current) password incorrect for user."})
      EXPECT_TRUE(Contains(run.output, part)) << version << " lacks " << part << "\n" << run.output;
    EXPECT_FALSE(Contains(run.output, "SQLMoreResults")) << version << "\n" << run.output;
  }
}

TEST(StandinClientsTest, EachPortIsAServerOfItsOwnAndClientsRunAtOnce) {
  StandinServer::Options options;
  options.servers = 2;
  StandinServer server(options);
  // A table made on one port does not exist on the other.
  ToolOutcome made = Tsql(server, "create table only_here (a int)\ngo\nexit\n");
  ASSERT_EQ(made.exitCode, 0) << made.output;

  std::vector<ToolOutcome> runs(6);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < runs.size(); ++i) {
    threads.emplace_back([&, i] {
      runs[i] = Tsql(server, "select count(*) as n from only_here\ngo\nexit\n", "Secret1", "",
                     "7.4", i % 2);
    });
  }
  for (std::thread& t : threads) t.join();
  for (size_t i = 0; i < runs.size(); ++i) {
    if (i % 2 == 0)
      EXPECT_TRUE(Contains(runs[i].output, "n\n0\n")) << i << "\n" << runs[i].output;
    else
      EXPECT_TRUE(Contains(runs[i].output, "Invalid object name 'only_here'.")) << i << "\n"
                                                                                << runs[i].output;
  }
}

// A raw connection to the stand-in, for sending what no proper client would.
class RawClient {
 public:
  explicit RawClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    timeval limit{10, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  ~RawClient() { ::close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  void Send(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  /// True when the server closed the connection (reading gives end of stream).
  bool ClosedByServer() {
    char buffer[4096];
    for (;;) {
      ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n == 0) return true;
      if (n < 0) return false;
    }
  }
  /// The first packet of a reply, header included.
  std::string ReadPacket() {
    std::string header(8, '\0');
    if (::recv(fd_, header.data(), 8, MSG_WAITALL) != 8) return {};
    size_t length =
        static_cast<unsigned char>(header[2]) << 8 | static_cast<unsigned char>(header[3]);
    std::string body(length - 8, '\0');
    if (length > 8 && ::recv(fd_, body.data(), body.size(), MSG_WAITALL) != ssize_t(body.size()))
      return {};
    return header + body;
  }

 private:
  int fd_;
  bool connected_ = false;
};

TEST(StandinClientsTest, BadClientsLoseOnlyTheirOwnConnection) {
  StandinServer server;
  RawClient bystander(server.port());
  ASSERT_TRUE(bystander.connected());
  bystander.Send(Packet(0x12, 1, std::string(20, '\0')));
  ASSERT_EQ(bystander.ReadPacket().size(), 8u + 18u) << "PRELOGIN answered";

  // The broken streams and logins themselves are the packet and login tests' tables; here the
  // server ends only that connection, also for a client gone in the middle of a packet.
  struct Case {
    const char* what;
    std::string bytes;
    bool hangsUp;
  } cases[] = {
      {"random bytes", "GET / HTTP/1.1\r\nHost: x\r\n\r\n", false},
      {"SQL before login", Packet(0x01, 1, Wide("select 1")), false},
      {"unknown packet type", Packet(0x55, 1, "abc"), false},
      {"LOGIN7 offsets outside", Packet(0x10, 1, Le32(100) + std::string(96, '\xFF')), false},
      {"gone mid-packet", Bytes({0x10, 0x01, 0x02, 0x00, 0, 0, 1, 0}) + "partial", true},
      {"gone mid-header", Bytes({0x12, 0x01, 0x00}), true},
  };
  for (const Case& c : cases) {
    RawClient bad(server.port());
    ASSERT_TRUE(bad.connected()) << c.what;
    bad.Send(c.bytes);
    if (!c.hangsUp) {
      EXPECT_TRUE(bad.ClosedByServer()) << c.what;
    }
  }

  bystander.Send(Packet(0x12, 1, std::string(20, '\0')));
  EXPECT_EQ(bystander.ReadPacket().size(), 8u + 18u) << "an earlier client is still served";
  ToolOutcome run = Tsql(server, "select 1 as still_here\ngo\nexit\n");
  EXPECT_TRUE(Contains(run.output, "still_here\n1\n")) << run.output;
}

TEST(StandinClientsTest, CommandLineAndSignals) {
  ToolOutcome help = RunTool({PELVANE_STANDIN_PATH, "--help"}, "");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.output, "--latency-ms")) << help.output;

  struct Case {
    const char* what;
    std::vector<std::string> args;
  } bad[] = {
      {"nothing", {}},
      {"port not a number", {"--dir", "/tmp", "--port", "12ab", "--login", "sa:x"}},
      {"login without password", {"--dir", "/tmp", "--port", "5000", "--login", "sa"}},
      {"unknown option", {"--dir", "/tmp", "--port", "5000", "--login", "sa:x", "--fast"}},
      {"value missing", {"--dir", "/tmp", "--port", "5000", "--login"}},
  };
  for (const Case& c : bad) {
    std::vector<std::string> argv{PELVANE_STANDIN_PATH};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ToolOutcome run = RunTool(argv, "");
    EXPECT_EQ(run.exitCode, 2) << c.what << "\n" << run.output;
    EXPECT_FALSE(run.output.empty()) << c.what;
  }

  for (int signal : {SIGTERM, SIGINT}) {
    StandinServer server;
    RawClient idle(server.port());  // an open connection must not hold up the end
    ::kill(server.process().pid(), signal);
    EXPECT_TRUE(server.process().WaitForExit(std::chrono::seconds(5))) << signal;
    int status = server.process().Stop();
    EXPECT_TRUE(WIFEXITED(status)) << signal;
    EXPECT_EQ(WEXITSTATUS(status), 0) << signal;
  }
}

}  // namespace
}  // namespace pelvane::testing
