// SPDX-License-Identifier: GPL-3.0-or-later
// Named instances through the SQL Browser and Windows (NTLM) logins, on both connection paths:
// the ODBC client and isqlw (db-lib), against sqlstandin.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
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

/// isqlw's exit status and what it wrote to the output file and to stderr.
struct IsqlwRun {
  int exitStatus = -1;
  std::string text;
};

IsqlwRun RunIsqlw(const TempDir& dir, const std::string& server, const std::string& login,
                  const std::string& password, std::vector<std::string> more = {}) {
  WriteBytes(dir.File("script.sql"), kLoginScript);
  std::vector<std::string> argv{PELVANE_ISQLW_PATH, "-S", server, "-U", login, "-P", password};
  argv.insert(argv.end(), {"-i", dir.File("script.sql"), "-o", dir.File("out.txt")});
  argv.insert(argv.end(), more.begin(), more.end());
  ToolOutcome run = RunTool(argv, "", {});
  return {run.exitCode, run.output + ReadBytes(dir.File("out.txt"))};
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(SqlBrowserReply, PortOfTheAskedInstanceOnly) {
  auto reply = [](const std::string& text) {
    return std::string(1, '\x05') + static_cast<char>(text.size() & 0xFF) +
           static_cast<char>(text.size() >> 8) + text;
  };
  const std::string two =
      "ServerName;DB1;InstanceName;ONE;IsClustered;No;Version;16.0;tcp;1501;;"
      "ServerName;DB1;InstanceName;Two;IsClustered;No;Version;16.0;np;\\\\DB1\\pipe;tcp;1502;;";
  struct Case {
    std::string datagram;
    std::string instance;
    int port;  // 0: no port
  } const cases[] = {
      {reply(two), "ONE", 1501},
      {reply(two), "two", 1502},
      {reply(two), "THREE", 0},
      {reply("ServerName;DB1;InstanceName;ONE;IsClustered;No;np;\\\\DB1\\pipe;;"), "ONE", 0},
      {reply("ServerName;DB1;InstanceName;ONE;tcp;99999;;"), "ONE", 0},
      {reply(two).substr(0, 20), "ONE", 0},
      {"\x04ONE", "ONE", 0},
  };
  for (const Case& c : cases) {
    std::optional<int> port = sqlbrowser::TcpPortInReply(c.datagram, c.instance);
    EXPECT_EQ(port.value_or(0), c.port) << c.instance << " in " << c.datagram;
  }
}

/// A stand-in that answers the SQL Browser for instance SQLA, in a network namespace of this
/// test program's own (UDP 1434 is a fixed port).
class NamedInstanceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { inPrivateNetwork_ = EnterPrivateNetwork(why_); }
  void SetUp() override {
    if (!inPrivateNetwork_) GTEST_SKIP() << "needs a network namespace of its own: " << why_;
    StandinServer::Options options;
    options.moreArgs = {"--browser-instance", "SQLA"};
    standin_ = std::make_unique<StandinServer>(options);
  }
  std::string Port() const { return std::to_string(standin_->port()); }

  static bool inPrivateNetwork_;
  static std::string why_;
  std::unique_ptr<StandinServer> standin_;
  TempDir dir_;
};
bool NamedInstanceTest::inPrivateNetwork_ = false;
std::string NamedInstanceTest::why_;

// The browser stays silent for an instance it does not have, as SQL Server's does.
TEST_F(NamedInstanceTest, BrowserLookupOnBothPaths) {
  const std::string silent = "SQL Server Browser on 127.0.0.1 did not answer for instance NOPE.";
  struct Case {
    std::string server;
    bool accepted;
  } const cases[] = {
      {"127.0.0.1\\SQLA", true},
      {" 127.0.0.1\\sqla ", true},
      {"127.0.0.1\\NOPE", false},
      {"127.0.0.1\\NOPE," + Port(), true},  // the port wins: no lookup
  };
  platform::OdbcSqlClient client(ShortLogins());
  constexpr int kBrowserMs = 1000;
  // Far below FreeTDS's own 16 s loop, with room for a slow machine.
  constexpr double kMostSeconds = kBrowserMs / 1000.0 + 3;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server);
    Clock::time_point start = Clock::now();
    engine::LoginCheck check = client.CheckLogin({c.server, "sa", "Secret1", "", {}, kBrowserMs});
    EXPECT_LT(SecondsSince(start), kMostSeconds);
    EXPECT_EQ(check.kind, c.accepted ? LoginCheckKind::kAccepted : LoginCheckKind::kBrowserSilent);
    if (!c.accepted) {
      EXPECT_EQ(check.error.message, silent);
    }

    start = Clock::now();
    IsqlwRun run = RunIsqlw(dir_, c.server, "sa", "Secret1", {"--browser-timeout", "1"});
    EXPECT_LT(SecondsSince(start), kMostSeconds);
    EXPECT_EQ(run.exitStatus, c.accepted ? 0 : 2) << run.text;
    if (!c.accepted) {
      EXPECT_NE(run.text.find("Cannot connect to server 127.0.0.1\\NOPE: " + silent),
                std::string::npos)
          << run.text;
    }
  }
  // The Simple Script query, the connection check and the password change take the same way.
  Result<engine::QueryResult> rows =
      client.RunQuery({"127.0.0.1\\SQLA", "sa", "Secret1", "", {}, kBrowserMs}, "SELECT 1", 5);
  EXPECT_TRUE(rows.ok()) << rows.status().message();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server);
    const Clock::time_point start = Clock::now();
    engine::ConnectionProbe probe =
        client.ProbeConnection({c.server, "sa", "Secret1", "", {}, kBrowserMs}, "SELECT 1", 5);
    EXPECT_LT(SecondsSince(start), kMostSeconds);
    EXPECT_EQ(probe.login.kind,
              c.accepted ? LoginCheckKind::kAccepted : LoginCheckKind::kBrowserSilent);
  }
  EXPECT_EQ(
      client.ChangePassword("127.0.0.1\\SQLA", "sa", "Secret1", "Secret2", {}, kBrowserMs).kind,
      engine::PasswordChangeKind::kChanged);
  const Clock::time_point start = Clock::now();
  engine::PasswordChange silentChange =
      client.ChangePassword("127.0.0.1\\NOPE", "sa", "Secret2", "Secret3", {}, kBrowserMs);
  EXPECT_LT(SecondsSince(start), kMostSeconds);
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
    std::string login;
    std::string password;
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
    if (!c.accepted) {
      EXPECT_EQ(check.error.nativeError, 18456);
    }

    IsqlwRun run = RunIsqlw(dir, standin.server(), c.login, c.password);
    EXPECT_EQ(run.exitStatus, c.accepted ? 0 : 2) << run.text;
    // The session belongs to the Windows login, as the stand-in was given it.
    const std::string expected = c.accepted ? "\nCORP\\alice " : "Msg 18456";
    EXPECT_NE(run.text.find(expected), std::string::npos) << run.text;
  }
}

}  // namespace
}  // namespace pelvane::testing
