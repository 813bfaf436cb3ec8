// SPDX-License-Identifier: GPL-3.0-or-later
// sqlstandin against clients written elsewhere: FreeTDS's tsql and unixODBC's isql.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "TdsBytes.h"
#include "ToolRun.h"
#include "support/StandinServer.h"

namespace pelvane::testing {
namespace {

ToolOutcome Tsql(const StandinServer& server, const std::string& input,
                 const std::string& database = "", const std::string& version = "7.4",
                 size_t index = 0) {
  std::vector<std::string> argv{
      "tsql", "-H", "127.0.0.1", "-p",     std::to_string(server.port(index)),
      "-U",   "sa", "-P",        "Secret1"};
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

// The token layouts differ between 7.1 and 7.2+ (line numbers, row counts, long text); tsql goes
// out of step on any byte out of place. The last batch spans several client packets, its reply
// several server packets.
TEST(StandinClientsTest, TsqlAtEveryVersion) {
  StandinServer server;
  ToolOutcome made = Tsql(
      server, "create procedure shout as\nprint 'hi'\nraiserror('from proc', 16, 1)\ngo\nexit\n",
      "master");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const std::string big(6000, 'x');
  for (const char* version : {"7.1", "7.2", "7.3", "7.4"}) {
    ToolOutcome run = Tsql(server,
                           "select db_name() as login, 42 as answer, 'text' as word, 1.5 as half, "
                           "null as absent\ngo\nexec shout\nuse pubs\n"
                           "select db_name() as db, N'n\xC3\xA4me \xF0\x9F\x98\x80' as wide\ngo\n"
                           "select '" +
                               big + "' as big" + std::string(20000, ' ') + "\ngo\nexit\n",
                           "master", version);
    EXPECT_EQ(run.exitCode, 0) << version << "\n" << run.output;
    for (const std::string& part :
         {std::string("login\tanswer\tword\thalf\tabsent\nmaster\t42\ttext\t1.5\tNULL\n(1 row "
                      "affected)"),
          std::string("hi\n"), std::string(", Procedure shout Line 3:\n\t\"from proc\"\n"),
          std::string("db\twide\npubs\tn\xC3\xA4me \xF0\x9F\x98\x80\n"),
          // 7.1 has no (MAX) types: there the value comes cut to 4000 characters.
          "big\n" + big.substr(0, version == std::string("7.1") ? 4000 : 6000) +
              "\n(1 row affected)"})
      EXPECT_TRUE(Contains(run.output, part)) << version << " lacks " << part << "\n" << run.output;
  }
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

// Clients at once are the runs' own tests (--parallel); here that a port is a server of its own.
TEST(StandinClientsTest, EachPortIsAServerOfItsOwn) {
  StandinServer::Options options;
  options.servers = 2;
  StandinServer server(options);
  ToolOutcome made = Tsql(server, "create table only_here (a int)\ngo\nexit\n");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const std::string count = "select count(*) as n from only_here\ngo\nexit\n";
  ToolOutcome here = Tsql(server, count), there = Tsql(server, count, "", "7.4", 1);
  EXPECT_TRUE(Contains(here.output, "n\n0\n")) << here.output;
  EXPECT_TRUE(Contains(there.output, "Invalid object name 'only_here'.")) << there.output;
}

// The broken messages themselves are ProtocolTest's table; here the server ends only that
// connection, also for a client gone in the middle of a packet, and then still ends on SIGTERM
// with connections open.
TEST(StandinClientsTest, BadClientsLoseOnlyTheirOwnConnection) {
  StandinServer server;
  const std::string prelogin = Packet(0x12, 1, std::string(20, '\0'));
  LoopbackSocket bystander(server.port());
  bystander.Send(prelogin);
  ASSERT_EQ(bystander.Read(8 + 18).size(), 8u + 18u) << "PRELOGIN answered";

  struct Case {
    const char* what;
    std::string bytes;
    bool hangsUp;
  } cases[] = {
      {"random bytes", "GET / HTTP/1.1\r\nHost: x\r\n\r\n", false},
      {"SQL before login", Packet(0x01, 1, Wide("select 1")), false},
      {"gone mid-packet", Bytes({0x10, 0x01, 0x02, 0x00, 0, 0, 1, 0}) + "partial", true},
  };
  for (const Case& c : cases) {
    LoopbackSocket bad(server.port());
    bad.Send(c.bytes);
    EXPECT_TRUE(c.hangsUp || bad.ClosedByPeer()) << c.what;
  }

  LoopbackSocket later(server.port());
  for (const LoopbackSocket* client : {&bystander, &later}) {
    client->Send(prelogin);
    EXPECT_EQ(client->Read(8 + 18).size(), 8u + 18u) << "an earlier and a later client served";
  }
  ::kill(server.process().pid(), SIGTERM);
  EXPECT_TRUE(server.process().WaitForExit(std::chrono::seconds(5)));
  const int status = server.process().Stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace pelvane::testing
