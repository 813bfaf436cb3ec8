// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/OdbcSqlClient.h"
#include "support/StandinServer.h"
#include "support/TdsStallProxy.h"

namespace pelvane::platform {
namespace {

using engine::LoginCheckKind;
using engine::PasswordChangeKind;
using engine::SqlTarget;

constexpr const char* kDistinctPassword = "Zx9Distinct";

class OdbcSqlClientTest : public ::testing::Test {
 protected:
  static testing::StandinServer::Options StandinOptions() {
    testing::StandinServer::Options options;
    options.logins = {"sa:Secret1",        "pat:Old;pw}1",          "quinn:Start1",
                      "old:Aged1:expired", "new:Fresh1:mustchange", "odd]one:Plain1",
                      "late:Aged2:expired"};
    options.logins.push_back(std::string("dee:") + kDistinctPassword);
    return options;
  }

  SqlTarget Target(const std::string& login, const std::string& password) const {
    return SqlTarget{standin_.server(), login, password, ""};
  }
  std::string ClosedServer() const {
    return "127.0.0.1," + std::to_string(testing::FreeLoopbackPort());
  }

  testing::StandinServer standin_{StandinOptions()};
  OdbcSqlClient client_{[] {
    OdbcSqlClient::Options options;
    options.connectTimeoutSeconds = 2;
    return options;
  }()};
};

TEST_F(OdbcSqlClientTest, LoginCheckTellsTheOutcomesApart) {
  struct Case {
    SqlTarget target;
    LoginCheckKind kind;
    long number;
  };
  const Case cases[] = {
      {Target("sa", "Secret1"), LoginCheckKind::kAccepted, 0},
      {{standin_.server(), "sa", "Secret1", "nosuchdb"}, LoginCheckKind::kAccepted, 0},
      {Target("sa", "secret1"), LoginCheckKind::kLoginRefused, 18456},
      {{ClosedServer(), "sa", "Secret1", ""}, LoginCheckKind::kUnreachable, 20009},
      // No login name: refused without asking any server.
      {{ClosedServer(), "", "", ""}, LoginCheckKind::kLoginRefused, 18456},
      // FreeTDS 1.3 cannot read "};" back from a braced value; nothing is sent.
      {Target("sa", "x};y"), LoginCheckKind::kOtherError, 0},
  };
  for (const Case& c : cases) {
    engine::LoginCheck check = client_.CheckLogin(c.target);
    EXPECT_EQ(check.kind, c.kind) << c.target.server << " " << c.target.login << ": "
                                  << check.error.message;
    EXPECT_EQ(check.error.nativeError, c.number) << c.target.login;
    EXPECT_TRUE(c.kind == LoginCheckKind::kAccepted || !check.error.message.empty());
  }
}

// Through the driver library itself: its registered name is unknown here, which errors say.
TEST_F(OdbcSqlClientTest, QueryResultsAsTextAndFailuresWithStateNumberAndText) {
  OdbcSqlClient::Options options;
  options.driverName = "No Such Driver";
  OdbcSqlClient client(options);
  const SqlTarget sa = Target("sa", "Secret1");
  for (const char* statement :
       {"CREATE TABLE staff (id int, name varchar(20), rate float)",
        "INSERT INTO staff VALUES (1, 'Ann', 0.1)", "INSERT INTO staff VALUES (2, NULL, -2)"})
    ASSERT_TRUE(client.RunQuery(sa, statement, 10).ok()) << statement;
  Result<engine::QueryResult> result =
      client.RunQuery(sa, "SELECT id, name, rate FROM staff ORDER BY id", 60);
  ASSERT_TRUE(result.ok()) << result.status().message();
  EXPECT_TRUE(result->hasResultSet);
  EXPECT_EQ(result->columns, (std::vector<std::string>{"id", "name", "rate"}));
  // NULL reads as empty.
  EXPECT_EQ(result->rows,
            (std::vector<std::vector<std::string>>{{"1", "Ann", "0.1"}, {"2", "", "-2"}}));
  result = client.RunQuery(sa, "SELECT * FROM nosuch", 60);
  EXPECT_EQ(result.status().number(), 208);
  for (const char* part :
       {"42S02", "Invalid object name 'nosuch'.", "\"No Such Driver\" is not registered"})
    EXPECT_NE(result.status().message().find(part), std::string::npos) << result.status().message();
}

TEST(OdbcSqlClientTimeoutTest, ACallEndsAtItsDeadlineOrWhenInterruptedWhateverTheServerDoes) {
  testing::StandinServer standin;
  testing::StandinServer::Options slowOptions;
  slowOptions.latencyMs = 20000;
  testing::StandinServer slow(slowOptions);
  // The login answer, a byte every 100 ms, would take half a minute.
  testing::TdsStallProxy trickling(standin.port(), testing::TdsStallProxy::Mode::kTrickleLogin);
  struct Case {
    std::string server;
    bool query;
    int timeoutSeconds;
    bool interrupt;     // set the flag 300 ms into the call
    const char* error;  // a part of the reason
  };
  const Case cases[] = {
      {trickling.server(), false, 1, false, "Login timeout expired"},
      {trickling.server(), true, 1, false, "Query timeout expired"},  // its login trickles
      {trickling.server(), false, 30, true, "interrupted"},
      {slow.server(), true, 1, false, "HYT00"},
      {slow.server(), true, 30, true, "interrupted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server + (c.query ? " query " : " login ") + c.error);
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

TEST_F(OdbcSqlClientTest, PasswordsNeverReachErrorMessages) {
  // The server repeats the object name, which here is the password itself.
  Result<engine::QueryResult> echoed = client_.RunQuery(
      Target("dee", kDistinctPassword), std::string("SELECT * FROM ") + kDistinctPassword, 10);
  EXPECT_NE(echoed.status().message().find("Invalid object name '****'"), std::string::npos)
      << echoed.status().message();
  for (const std::string& message : {
           echoed.status().message(),
           client_.CheckLogin(Target("sa", kDistinctPassword)).error.message,
           client_.RunQuery(Target("sa", kDistinctPassword), "SELECT 1", 10).status().message(),
           client_.ChangePassword(standin_.server(), "sa", kDistinctPassword, "x").error.message,
           client_.ChangePassword(ClosedServer(), "dee", kDistinctPassword, kDistinctPassword)
               .error.message,
       }) {
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(message.find(kDistinctPassword), std::string::npos) << message;
  }
}

// The login check before and after a password change. A login refused for its password says
// why, and the change gets it in: through the login itself where the password may not be used,
// through ALTER LOGIN where sp_password is missing.
TEST_F(OdbcSqlClientTest, PasswordChanges) {
  testing::StandinServer::Options azureOptions = StandinOptions();
  azureOptions.moreArgs = {"--no-sp-password"};
  testing::StandinServer azure(azureOptions);
  const std::string server = standin_.server(), expired = " (the password has expired).";
  struct Case {
    std::string server, login, oldPassword, newPassword;
    LoginCheckKind before;
    std::string reason;  // the refusal's ending; empty: none expected
    long number;         // of the change's error; 0: changed
  };
  const auto accepted = LoginCheckKind::kAccepted, refused = LoginCheckKind::kLoginRefused,
             aged = LoginCheckKind::kPasswordExpired;
  const Case cases[] = {
      {" " + server + " ", "pat", "Old;pw}1", "{N;e}w", accepted, "", 0},
      // The login goes into the call as typed while the change's connection uses it trimmed, so
      // the server itself refuses the call here.
      {server, " quinn", "Start1", "New1", refused, "", 15211},
      {server, "old", "Aged1", "Renewed1", aged, expired, 0},
      {server, "new", "Fresh1", "Chosen1", LoginCheckKind::kPasswordMustChange,
       " (the password must be changed).", 0},
      {server, "late", "wrong", "Renewed2", refused, "", 18456},
      {azure.server(), "odd]one", "Plain1", "It's'new]", accepted, "", 0},
      {azure.server(), "old", "Aged1", "Quo'ted1", aged, expired, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server + " " + c.login + " " + c.newPassword);
    engine::LoginCheck check = client_.CheckLogin({c.server, c.login, c.oldPassword, ""});
    EXPECT_EQ(check.kind, c.before) << check.error.message;
    if (!c.reason.empty()) {
      EXPECT_EQ(check.error.message,
                "Login FAILED for user " + c.login + " on Server: " + c.server + c.reason);
    }
    engine::PasswordChange change =
        client_.ChangePassword(c.server, c.login, c.oldPassword, c.newPassword);
    const bool changed = c.number == 0;
    EXPECT_EQ(change.kind,
              changed ? PasswordChangeKind::kChanged : PasswordChangeKind::kRefusedByServer)
        << change.error.message;
    EXPECT_EQ(change.error.nativeError, c.number) << change.error.message;
    EXPECT_EQ(client_.CheckLogin({c.server, c.login, c.newPassword, ""}).kind,
              changed ? accepted : refused);
    if (changed) {
      EXPECT_EQ(client_.CheckLogin({c.server, c.login, c.oldPassword, ""}).kind, refused);
    }
  }
  EXPECT_EQ(client_.CheckLogin(Target("quinn", "Start1")).kind, accepted);
}

}  // namespace
}  // namespace pelvane::platform
