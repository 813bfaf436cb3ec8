// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "platform/OdbcSqlClient.h"
#include "support/StandinServer.h"

namespace pelvane::platform {
namespace {

using engine::LoginCheckKind;
using engine::PasswordChangeKind;

testing::StandinServer::Options Logins(std::vector<std::string> more = {}) {
  testing::StandinServer::Options options;
  options.logins = {"sa:Secret1", "old:Aged1:expired", "new:Fresh1:mustchange", "odd]one:Plain1",
                    "late:Aged2:expired"};
  options.moreArgs = std::move(more);
  return options;
}

OdbcSqlClient::Options Quick() {
  OdbcSqlClient::Options options;
  options.connectTimeoutSeconds = 5;
  return options;
}

// A login refused for its password says why, and the password change gets it in: through the
// login itself where the password may not be used, through ALTER LOGIN where sp_password is
// missing.
TEST(ExpiredPasswordTest, RefusedWithTheReasonAndChanged) {
  testing::StandinServer standin(Logins());
  testing::StandinServer azure(Logins({"--no-sp-password"}));
  OdbcSqlClient client(Quick());
  struct Case {
    const testing::StandinServer& server;
    std::string login, oldPassword, newPassword;
    LoginCheckKind before;
    std::string reason;  // the sentence's ending; empty: none expected
    PasswordChangeKind change;
  };
  const Case cases[] = {
      {standin, "old", "Aged1", "Renewed1", LoginCheckKind::kPasswordExpired,
       " (the password has expired).", PasswordChangeKind::kChanged},
      {standin, "new", "Fresh1", "Chosen1", LoginCheckKind::kPasswordMustChange,
       " (the password must be changed).", PasswordChangeKind::kChanged},
      {standin, "late", "wrong", "Renewed2", LoginCheckKind::kLoginRefused, "",
       PasswordChangeKind::kRefusedByServer},
      {azure, "odd]one", "Plain1", "It's'new]", LoginCheckKind::kAccepted, "",
       PasswordChangeKind::kChanged},
      {azure, "old", "Aged1", "Quo'ted1", LoginCheckKind::kPasswordExpired,
       " (the password has expired).", PasswordChangeKind::kChanged},
  };
  for (const Case& c : cases) {
    const std::string server = c.server.server();
    engine::LoginCheck check = client.CheckLogin({server, c.login, c.oldPassword, ""});
    EXPECT_EQ(check.kind, c.before) << c.login << ": " << check.error.message;
    if (!c.reason.empty()) {
      EXPECT_EQ(check.error.message,
                "Login FAILED for user " + c.login + " on Server: " + server + c.reason);
    }
    engine::PasswordChange change =
        client.ChangePassword(server, c.login, c.oldPassword, c.newPassword);
    EXPECT_EQ(change.kind, c.change) << c.login << ": " << change.error.message;
    const bool changed = c.change == PasswordChangeKind::kChanged;
    EXPECT_EQ(client.CheckLogin({server, c.login, c.newPassword, ""}).kind,
              changed ? LoginCheckKind::kAccepted : LoginCheckKind::kLoginRefused)
        << c.login;
  }
}

}  // namespace
}  // namespace pelvane::platform
