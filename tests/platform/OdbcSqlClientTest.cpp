// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/OdbcDriverChoice.h"
#include "platform/OdbcSqlClient.h"
#include "platform/SilentListener.h"
#include "support/StandinServer.h"
#include "support/TdsStallProxy.h"

namespace pelvane::platform {
namespace {

using engine::LoginCheckKind;
using engine::PasswordChangeKind;
using engine::SqlTarget;
using testing::SilentListener;

constexpr int kShortTimeout = 2;
constexpr const char* kDistinctPassword = "Zx9Distinct";

OdbcSqlClient::Options ShortTimeouts() {
  OdbcSqlClient::Options options;
  options.connectTimeoutSeconds = kShortTimeout;
  return options;
}

class OdbcSqlClientTest : public ::testing::Test {
 protected:
  static testing::StandinServer::Options StandinOptions() {
    testing::StandinServer::Options options;
    options.logins = {"sa:Secret1", "pat:Old;pw}1", "quinn:Start1",
                      std::string("dee:") + kDistinctPassword};
    return options;
  }

  SqlTarget Target(const std::string& login, const std::string& password) const {
    return SqlTarget{standin_.server(), login, password, ""};
  }
  std::string ClosedServer() const {
    return "127.0.0.1," + std::to_string(testing::FreeLoopbackPort());
  }
  void Run(const std::string& text) {
    Result<engine::QueryResult> result = client_.RunQuery(Target("sa", "Secret1"), text, 10);
    ASSERT_TRUE(result.ok()) << text << ": " << result.status().message();
  }

  testing::StandinServer standin_{StandinOptions()};
  OdbcSqlClient client_{ShortTimeouts()};
};

TEST_F(OdbcSqlClientTest, LoginCheckTellsTheOutcomesApart) {
  SilentListener silent;
  struct Case {
    SqlTarget target;
    LoginCheckKind kind;
    long number;
  };
  const Case cases[] = {
      {Target("sa", "Secret1"), LoginCheckKind::kAccepted, 0},
      {{"  " + standin_.server() + " ", "sa", "Secret1", ""}, LoginCheckKind::kAccepted, 0},
      {{standin_.server(), "sa", "Secret1", "nosuchdb"}, LoginCheckKind::kAccepted, 0},
      {Target("sa", "secret1"), LoginCheckKind::kLoginRefused, 18456},
      {{ClosedServer(), "sa", "Secret1", ""}, LoginCheckKind::kUnreachable, 20009},
      {{silent.server(), "sa", "Secret1", ""}, LoginCheckKind::kUnreachable, 0},
      // No login name: refused, without waiting on any server.
      {{silent.server(), "", "", ""}, LoginCheckKind::kLoginRefused, 18456},
      // FreeTDS 1.3 cannot read "};" back from a braced value; nothing is sent.
      {Target("sa", "x};y"), LoginCheckKind::kOtherError, 0},
  };
  for (const Case& c : cases) {
    engine::LoginCheck check = client_.CheckLogin(c.target);
    EXPECT_EQ(check.kind, c.kind) << c.target.server << " " << c.target.login << ": "
                                  << check.error.message;
    EXPECT_EQ(check.error.nativeError, c.number) << c.target.login;
    if (c.kind != LoginCheckKind::kAccepted) {
      EXPECT_FALSE(check.error.message.empty());
    }
  }
  EXPECT_NE(client_.CheckLogin(Target("sa", "x};y")).error.message.find("PWD value"),
            std::string::npos);
}

TEST_F(OdbcSqlClientTest, QueryReturnsColumnNamesAndRowsAsText) {
  Run("CREATE TABLE staff (id int, name varchar(20), rate float)");
  Run("INSERT INTO staff VALUES (1, 'Ann', 0.1)");
  Run("INSERT INTO staff VALUES (2, 'Bob', NULL)");
  Run("INSERT INTO staff VALUES (3, NULL, -2)");
  using Rows = std::vector<std::vector<std::string>>;
  struct Case {
    const char* query;
    bool hasResultSet;
    std::vector<std::string> columns;
    Rows rows;  // NULL reads as empty
  };
  const Case cases[] = {
      {"SELECT id, name FROM staff ORDER BY id",
       true,
       {"id", "name"},
       {{"1", "Ann"}, {"2", "Bob"}, {"3", ""}}},
      {"SELECT rate, name FROM staff ORDER BY id",
       true,
       {"rate", "name"},
       {{"0.1", "Ann"}, {"", "Bob"}, {"-2", ""}}},
      {"UPDATE staff SET name = 'Cy' WHERE id = 3", false, {}, {}},
      {"SELECT name FROM staff WHERE id = 3", true, {"name"}, {{"Cy"}}},
  };
  for (const Case& c : cases) {
    Result<engine::QueryResult> result = client_.RunQuery(Target("sa", "Secret1"), c.query, 60);
    ASSERT_TRUE(result.ok()) << c.query << ": " << result.status().message();
    EXPECT_EQ(result->hasResultSet, c.hasResultSet) << c.query;
    if (c.hasResultSet) {
      EXPECT_EQ(result->columns, c.columns) << c.query;
    }
    EXPECT_EQ(result->rows, c.rows) << c.query;
  }
}

TEST_F(OdbcSqlClientTest, QueryFailuresCarryStateNumberAndText) {
  Result<engine::QueryResult> result =
      client_.RunQuery(Target("sa", "Secret1"), "SELECT * FROM nosuch", 60);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().number(), 208);
  EXPECT_NE(result.status().message().find("42S02"), std::string::npos);
  EXPECT_NE(result.status().message().find("Invalid object name 'nosuch'."), std::string::npos)
      << result.status().message();

  result = client_.RunQuery(Target("sa", "wrong"), "SELECT 1", 60);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().number(), 18456);

  SilentListener silent;
  result = client_.RunQuery({silent.server(), "sa", "Secret1", ""}, "SELECT 1", kShortTimeout);
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.status().message().find("HYT00"), std::string::npos)
      << result.status().message();
}

TEST(OdbcSqlClientTimeoutTest, ACallEndsAtItsDeadlineOrWhenInterruptedWhateverTheServerDoes) {
  testing::StandinServer standin;
  testing::StandinServer::Options slowOptions;
  slowOptions.latencyMs = 20000;
  testing::StandinServer slow(slowOptions);
  // The login answer, a byte every 100 ms, would take half a minute.
  testing::TdsStallProxy trickling(standin.port(), testing::TdsStallProxy::Mode::kTrickleLogin);
  SilentListener silent;
  struct Case {
    const char* name;
    std::string server;
    bool query;
    int timeoutSeconds;
    bool interrupt;     // set the flag 300 ms into the call
    const char* error;  // a part of the reason
  };
  const Case cases[] = {
      {"a login answered a byte at a time", trickling.server(), false, 1, false,
       "Login timeout expired"},
      {"a query whose login is answered a byte at a time", trickling.server(), true, 1, false,
       "Query timeout expired"},
      {"a silent server, interrupted", silent.server(), false, 30, true, "interrupted"},
      {"a slow query, interrupted", slow.server(), true, 30, true, "interrupted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::atomic<bool> interrupted{false};
    OdbcSqlClient::Options options;
    options.connectTimeoutSeconds = c.timeoutSeconds;
    options.interrupted = &interrupted;
    OdbcSqlClient client(options);
    std::thread interrupter([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      if (c.interrupt) interrupted = true;
    });
    const auto started = std::chrono::steady_clock::now();
    std::string error;
    if (c.query) {
      Result<engine::QueryResult> result =
          client.RunQuery({c.server, "sa", "Secret1", ""}, "SELECT 1", c.timeoutSeconds);
      ASSERT_FALSE(result.ok());
      error = result.status().message();
    } else {
      engine::LoginCheck check = client.CheckLogin({c.server, "sa", "Secret1", ""});
      EXPECT_EQ(check.kind,
                c.interrupt ? LoginCheckKind::kOtherError : LoginCheckKind::kUnreachable);
      error = check.error.message;
    }
    const auto took = std::chrono::steady_clock::now() - started;
    interrupter.join();
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    // Far sooner than the server would have let the call end: twice the time-out and a grace.
    EXPECT_LT(took, std::chrono::seconds(c.interrupt ? 5 : 2 * c.timeoutSeconds + 4));
  }
}

TEST(OdbcSqlClientTimeoutTest, SlowCommandEndsAtTheCommandTimeout) {
  testing::StandinServer::Options options;
  options.latencyMs = 2500;
  testing::StandinServer slow(options);
  Result<engine::QueryResult> result =
      OdbcSqlClient().RunQuery({slow.server(), "sa", "Secret1", ""}, "SELECT 1", 1);
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.status().message().find("HYT00"), std::string::npos)
      << result.status().message();
}

TEST_F(OdbcSqlClientTest, PasswordChangeWithQuotedPasswordsEndToEnd) {
  const std::string newPassword = "{N;e}w";
  engine::PasswordChange change =
      client_.ChangePassword(" " + standin_.server() + " ", "pat", "Old;pw}1", newPassword);
  ASSERT_EQ(change.kind, PasswordChangeKind::kChanged) << change.error.message;
  EXPECT_EQ(change.returnValue, 0);

  EXPECT_EQ(client_.CheckLogin(Target("pat", newPassword)).kind, LoginCheckKind::kAccepted);
  EXPECT_EQ(client_.CheckLogin(Target("pat", "Old;pw}1")).kind, LoginCheckKind::kLoginRefused);

  // An empty new password is sent as such and works afterwards.
  change = client_.ChangePassword(standin_.server(), "pat", newPassword, "");
  ASSERT_EQ(change.kind, PasswordChangeKind::kChanged) << change.error.message;
  EXPECT_EQ(client_.CheckLogin(Target("pat", "")).kind, LoginCheckKind::kAccepted);
}

TEST_F(OdbcSqlClientTest, PasswordChangeFailureClasses) {
  engine::PasswordChange wrongOld =
      client_.ChangePassword(standin_.server(), "quinn", "NotStart1", "New1");
  EXPECT_EQ(wrongOld.kind, PasswordChangeKind::kRefusedByServer);
  EXPECT_EQ(wrongOld.error.nativeError, 18456);
  EXPECT_EQ(client_.CheckLogin(Target("quinn", "Start1")).kind, LoginCheckKind::kAccepted);

  // The login goes into the call as typed while the connection uses it trimmed, so the server
  // itself refuses the call here.
  engine::PasswordChange refusedCall =
      client_.ChangePassword(standin_.server(), " quinn", "Start1", "New1");
  EXPECT_EQ(refusedCall.kind, PasswordChangeKind::kRefusedByServer);
  EXPECT_EQ(refusedCall.error.nativeError, 15211) << refusedCall.error.message;
  EXPECT_EQ(refusedCall.returnValue, 1);

  engine::PasswordChange unreachable = client_.ChangePassword(ClosedServer(), "quinn", "a", "b");
  EXPECT_EQ(unreachable.kind, PasswordChangeKind::kRefusedByServer);
  EXPECT_EQ(unreachable.error.nativeError, 20009);

  OdbcSqlClient::Options noDriver = ShortTimeouts();
  noDriver.driverName = "No Such Driver";
  noDriver.fallbackLibraries = {standin_.dir().string() + "/libtdsodbc.so"};
  engine::PasswordChange missing =
      OdbcSqlClient(noDriver).ChangePassword(standin_.server(), "quinn", "Start1", "New1");
  EXPECT_EQ(missing.kind, PasswordChangeKind::kOtherFailure);
  EXPECT_EQ(missing.error.message.rfind("No ODBC driver for SQL Server is installed", 0), 0u)
      << missing.error.message;
}

TEST_F(OdbcSqlClientTest, UnregisteredNameFallsBackToTheLibraryAndSaysSo) {
  OdbcSqlClient::Options options = ShortTimeouts();
  options.driverName = "No Such Driver";
  OdbcSqlClient fallback(options);

  EXPECT_EQ(fallback.CheckLogin(Target("sa", "Secret1")).kind, LoginCheckKind::kAccepted);
  Result<engine::QueryResult> result = fallback.RunQuery(Target("sa", "Secret1"), "SELECT 7", 10);
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_EQ(result->rows, (std::vector<std::vector<std::string>>{{"7"}}));

  result = fallback.RunQuery(Target("sa", "Secret1"), "SELECT * FROM nosuch", 10);
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.status().message().find("\"No Such Driver\" is not registered"),
            std::string::npos)
      << result.status().message();
}

TEST_F(OdbcSqlClientTest, PasswordsNeverReachErrorMessages) {
  // The server repeats the object name, which here is the password itself.
  std::vector<std::string> messages;
  Result<engine::QueryResult> echoed = client_.RunQuery(
      Target("dee", kDistinctPassword), std::string("SELECT * FROM ") + kDistinctPassword, 10);
  ASSERT_FALSE(echoed.ok());
  EXPECT_NE(echoed.status().message().find("Invalid object name '****'"), std::string::npos)
      << echoed.status().message();
  messages.push_back(echoed.status().message());

  messages.push_back(client_.CheckLogin(Target("sa", kDistinctPassword)).error.message);
  messages.push_back(
      client_.RunQuery(Target("sa", kDistinctPassword), "SELECT 1", 10).status().message());
  messages.push_back(
      client_.ChangePassword(standin_.server(), "sa", kDistinctPassword, "x").error.message);
  messages.push_back(
      client_.ChangePassword(ClosedServer(), "dee", kDistinctPassword, kDistinctPassword)
          .error.message);
  for (const std::string& message : messages) {
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(message.find(kDistinctPassword), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace pelvane::platform
