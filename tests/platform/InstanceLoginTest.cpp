// SPDX-License-Identifier: GPL-3.0-or-later
// Named instances through the SQL Browser and Windows (NTLM) logins, on both connection paths:
// the ODBC client and isqlw (db-lib), against sqlstandin.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <vector>

#include "platform/OdbcSqlClient.h"
#include "sqlbrowser/BrowserMessages.h"
#include "standin/ToolRun.h"
#include "support/PrivateNetwork.h"
#include "support/StandinServer.h"
#include "support/TempDir.h"

namespace pelvane::testing {
namespace {

using engine::LoginCheckKind;
using engine::SqlTarget;
using Clock = std::chrono::steady_clock;

constexpr char kLoginScript[] = "SELECT SUSER_SNAME()\r\n";

platform::OdbcSqlClient::Options ShortLogins() {
  platform::OdbcSqlClient::Options options;
  options.connectTimeoutSeconds = 5;
  return options;
}

/// isqlw's exit status, and what it printed followed by what it wrote to its output file.
ToolOutcome RunIsqlw(const TempDir& dir, const std::string& server, const std::string& login,
                     const std::string& password, std::vector<std::string> more = {}) {
  WriteBytes(dir.File("script.sql"), kLoginScript);
  std::vector<std::string> argv{PELVANE_ISQLW_PATH, "-S", server, "-U", login, "-P", password};
  argv.insert(argv.end(), {"-i", dir.File("script.sql"), "-o", dir.File("out.txt")});
  argv.insert(argv.end(), more.begin(), more.end());
  ToolOutcome run = RunTool(argv, "", {});
  run.output += ReadBytes(dir.File("out.txt"));
  return run;
}

TEST(SqlBrowserReply, PortOfTheAskedInstanceOnly) {
  auto reply = [](const std::string& text) {
    return std::string(1, '\x05') + static_cast<char>(text.size() & 0xFF) +
           static_cast<char>(text.size() >> 8) + text;
  };
  const std::string two =
      "ServerName;DB1;InstanceName;ONE;IsClustered;No;Version;16.0;tcp;1501;;"
      "ServerName;DB1;InstanceName;Two;IsClustered;No;Version;16.0;np;\\\\DB1\\pipe;tcp;1502;;";
  // A datagram, the instance asked for, the port found in it (0: none).
  const std::tuple<std::string, std::string, int> cases[] = {
      {reply(two), "ONE", 1501},
      {reply(two), "two", 1502},
      {reply(two), "THREE", 0},
      {reply("ServerName;DB1;InstanceName;ONE;IsClustered;No;np;\\\\DB1\\pipe;;"), "ONE", 0},
      {reply("ServerName;DB1;InstanceName;ONE;tcp;99999;;"), "ONE", 0},
      {reply(two).substr(0, 20), "ONE", 0},
      {"\x04ONE", "ONE", 0},
  };
  for (const auto& [datagram, instance, port] : cases)
    EXPECT_EQ(sqlbrowser::TcpPortInReply(datagram, instance).value_or(0), port) << datagram;
}

// The browser stays silent for an instance it does not have, as SQL Server's does. Every call
// ends far below FreeTDS's own 16 s browser loop, with room for a slow machine.
// The stand-in answers the SQL Browser for instance SQLA, in a network namespace of this test
// program's own (UDP 1434 is a fixed port).
TEST(NamedInstanceTest, BrowserLookupOnBothPaths) {
  std::string why;
  if (!EnterPrivateNetwork(why)) GTEST_SKIP() << "needs a network namespace of its own: " << why;
  StandinServer::Options options;
  options.moreArgs = {"--browser-instance", "SQLA"};
  const StandinServer standin(options);
  const TempDir dir;
  const std::string silent = "SQL Server Browser on 127.0.0.1 did not answer for instance NOPE.";
  constexpr int kBrowserMs = 1000;
  auto timed = [](auto call) {
    const Clock::time_point start = Clock::now();
    auto result = call();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), kBrowserMs / 1000.0 + 3);
    return result;
  };
  platform::OdbcSqlClient client(ShortLogins());
  const std::pair<std::string, bool> cases[] = {
      {"127.0.0.1\\SQLA", true},
      {" 127.0.0.1\\sqla ", true},
      {"127.0.0.1\\NOPE", false},
      {"127.0.0.1\\NOPE," + std::to_string(standin.port()), true},  // the port wins: no lookup
  };
  for (const auto& c : cases) {
    const std::string& server = c.first;
    const bool accepted = c.second;
    SCOPED_TRACE(server);
    const SqlTarget target{server, "sa", "Secret1", "", {}, kBrowserMs};
    const LoginCheckKind kind =
        accepted ? LoginCheckKind::kAccepted : LoginCheckKind::kBrowserSilent;
    engine::LoginCheck check = timed([&] { return client.CheckLogin(target); });
    EXPECT_EQ(check.kind, kind);
    EXPECT_EQ(check.error.message, accepted ? "" : silent);
    // The connection check takes the same way.
    EXPECT_EQ(timed([&] { return client.ProbeConnection(target, "SELECT 1", 5); }).login.kind,
              kind);

    ToolOutcome run = timed([&] {
      return RunIsqlw(dir, server, "sa", "Secret1", {"--browser-timeout", "1"});
    });
    EXPECT_EQ(run.exitCode, accepted ? 0 : 2) << run.output;
    if (!accepted) {
      EXPECT_NE(run.output.find("Cannot connect to server 127.0.0.1\\NOPE: " + silent),
                std::string::npos)
          << run.output;
    }
  }
  // So do the Simple Script query and the password change.
  Result<engine::QueryResult> rows =
      client.RunQuery({"127.0.0.1\\SQLA", "sa", "Secret1", "", {}, kBrowserMs}, "SELECT 1", 5);
  EXPECT_TRUE(rows.ok()) << rows.status().message();
  EXPECT_EQ(
      client.ChangePassword("127.0.0.1\\SQLA", "sa", "Secret1", "Secret2", {}, kBrowserMs).kind,
      engine::PasswordChangeKind::kChanged);
  engine::PasswordChange silentChange = timed([&] {
    return client.ChangePassword("127.0.0.1\\NOPE", "sa", "Secret2", "Secret3", {}, kBrowserMs);
  });
  EXPECT_EQ(silentChange.kind, engine::PasswordChangeKind::kOtherFailure);
  EXPECT_EQ(silentChange.error.message, silent);
}

// FreeTDS logs DOMAIN\user in with NTLM; the stand-in checks the NTLMv2 answer against the
// password it was given.
TEST(WindowsLogin, NtlmOnBothPaths) {
  StandinServer::Options options;
  options.moreArgs = {"--windows-login", "CORP\\alice:W1nd0ws!pw"};
  StandinServer standin(options);
  TempDir dir;
  platform::OdbcSqlClient client(ShortLogins());
  struct Case {
    std::string login, password;
    bool accepted;
  } const cases[] = {
      {"CORP\\alice", "W1nd0ws!pw", true},
      {"corp\\ALICE", "W1nd0ws!pw", true},
      {"CORP\\alice", "w1nd0ws!pw", false},
      {"CORP\\mallory", "W1nd0ws!pw", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.login + " / " + c.password);
    engine::LoginCheck check = client.CheckLogin({standin.server(), c.login, c.password, ""});
    EXPECT_EQ(check.kind, c.accepted ? LoginCheckKind::kAccepted : LoginCheckKind::kLoginRefused);
    EXPECT_EQ(check.error.nativeError, c.accepted ? 0 : 18456);

    ToolOutcome run = RunIsqlw(dir, standin.server(), c.login, c.password);
    EXPECT_EQ(run.exitCode, c.accepted ? 0 : 2) << run.output;
    // The session belongs to the Windows login, as the stand-in was given it.
    const std::string expected = c.accepted ? "\nCORP\\alice " : "Msg 18456";
    EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
  }
}

}  // namespace
}  // namespace pelvane::testing
