// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "standin/sql/EventTranscript.h"
#include "standin/sql/SqlEngine.h"
#include "support/TempDir.h"

namespace pelvane::standin {
namespace {

using testing::Transcript;
using Lines = std::vector<std::string>;

std::shared_ptr<ServerData> OpenOrFail(const std::string& folder,
                                       const std::vector<std::string>& logins,
                                       const std::vector<std::string>& databases = {"pubs"}) {
  auto opened = ServerData::Open(folder, logins, databases);
  EXPECT_TRUE(opened.ok()) << opened.status().message();
  return opened.ok() ? opened.value() : nullptr;
}

TEST(ServerStoreTest, CheckLoginOutcomes) {
  pelvane::testing::TempDir dir;
  auto server = OpenOrFail(dir.File("srv"), {"sa:Secret1", "app:pa:ss"});
  ASSERT_TRUE(server);
  struct Case {
    std::string login, password, database;
    LoginResult expected;
  };
  const Case cases[] = {
      {"sa", "Secret1", "", LoginResult::kAccepted},
      {"SA", "Secret1", "master", LoginResult::kAccepted},
      {"app", "pa:ss", "PUBS", LoginResult::kAccepted},
      {"sa", "secret1", "", LoginResult::kBadLogin},
      {"nobody", "Secret1", "", LoginResult::kBadLogin},
      {"sa", "Secret1", "nowhere", LoginResult::kUnknownDatabase},
      {"sa", "wrong", "nowhere", LoginResult::kBadLogin},
  };
  for (const Case& c : cases)
    EXPECT_EQ(server->CheckLogin(c.login, c.password, c.database), c.expected)
        << c.login << "/" << c.password << "/" << c.database;
}

TEST(ServerStoreTest, RefusesBadStartValues) {
  pelvane::testing::TempDir dir;
  EXPECT_FALSE(ServerData::Open(dir.File("a"), {"nopassword"}, {}).ok());
  EXPECT_FALSE(ServerData::Open(dir.File("b"), {":secret"}, {}).ok());
  EXPECT_FALSE(ServerData::Open(dir.File("c"), {"sa:x"}, {"../escape"}).ok());
  EXPECT_FALSE(ServerData::Open(dir.File("d"), {"sa:x"}, {""}).ok());
}

// isql through the driver calls sp_password with a wrong old password; here the rest.
TEST(ServerStoreTest, ProceduresAndPasswordChangesByRpcOutliveARestart) {
  pelvane::testing::TempDir dir;
  {
    auto server = OpenOrFail(dir.File("srv"), {"sa:Secret1", "app:AppPass"}, {"Pubs"});
    ASSERT_TRUE(server);
    Session session(server, "sa", "pubs");
    session.RunBatch(
        "create procedure dbo.answer @base int, @word varchar(9) = 'hi' as\n"
        "print @word\nreturn @base + 1");
    session.RunBatch("create table kept (a int)\ninsert kept values (42)");
    struct Case {
      std::string procedure;
      std::vector<std::optional<std::string>> arguments;
      int32_t returnStatus;
      Lines events;
    } cases[] = {
        {"[dbo].[Answer]", {"6"}, 7, {"info 0/0/1 L2 answer: hi", "done"}},
        {"answer", {"1", std::nullopt}, 2, {"info 0/0/1 L2 answer: ", "done"}},
        {"nothere", {}, 1, {"error 2812/16/62 L1: Could not find stored procedure 'nothere'."}},
        {"master..SP_PASSWORD", {"AppPass", "New;}1", "APP"}, 0, {}},
        // A NULL new password sets an empty one; the login defaults to the caller's.
        {"dbo.sp_password", {"Secret1", std::nullopt}, 0, {}},
    };
    for (const Case& c : cases) {
      RpcOutcome outcome = session.CallProcedure(c.procedure, c.arguments);
      EXPECT_EQ(outcome.returnStatus, c.returnStatus) << c.procedure;
      EXPECT_EQ(Transcript(outcome.events), c.events) << c.procedure;
    }
    EXPECT_EQ(server->CheckLogin("app", "AppPass", ""), LoginResult::kBadLogin);
    EXPECT_EQ(server->CheckLogin("sa", "", ""), LoginResult::kAccepted);
    EXPECT_EQ(server->ChangePassword("x", "y", "ghost").returnStatus, 1);
    // Procedures belong to their database.
    EXPECT_NE(Session(server, "sa", "master").CallProcedure("answer", {"1"}).returnStatus, 0);
  }

  // After a restart the data and app's changed password are still there, the database keeps the
  // case it was made with; sa, given again on the command line, is reset.
  auto server = OpenOrFail(dir.File("srv"), {"sa:Again1"}, {"PUBS"});
  ASSERT_TRUE(server);
  EXPECT_EQ(server->CheckLogin("app", "New;}1", "pubs"), LoginResult::kAccepted);
  EXPECT_EQ(server->CheckLogin("sa", "Again1", ""), LoginResult::kAccepted);
  Session again(server, "sa", "PUBS");
  EXPECT_EQ(again.database(), "Pubs");
  EXPECT_EQ(again.CallProcedure("answer", {"1"}).returnStatus, 2);
  EXPECT_EQ(Transcript(again.RunBatch("select a from kept").events),
            (Lines{"cols a:int", "row 42", "done 1"}));
}

TEST(ServerStoreTest, SessionsWriteAtTheSameTime) {
  pelvane::testing::TempDir dir;
  auto server = OpenOrFail(dir.File("srv"), {"sa:Secret1"});
  ASSERT_TRUE(server);
  Session setup(server, "sa", "pubs");
  setup.RunBatch("create table hits (session int, n int)");
  constexpr int kRows = 150;
  std::atomic<int> failures{0};
  auto writer = [&](const std::string& me) {
    Session session(server, "sa", "pubs");
    const std::string batch = "insert hits values (" + me +
                              ", 1)\nbegin tran\nupdate hits set n = n where session = " + me +
                              "\ncommit";
    for (int n = 0; n < kRows; ++n)
      for (const std::string& line : Transcript(session.RunBatch(batch).events))
        failures += line.rfind("done", 0) != 0;  // an error, or rows where none were asked for
  };
  std::thread a(writer, "0"), b(writer, "1"), logins([&] {
    for (int n = 0; n < kRows; ++n)
      failures += server->CheckLogin("sa", "Secret1", "pubs") != LoginResult::kAccepted;
  });
  a.join(), b.join(), logins.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(Transcript(setup.RunBatch("select count(*) from hits").events),
            (Lines{"cols :int", "row " + std::to_string(2 * kRows), "done 1"}));
}

}  // namespace
}  // namespace pelvane::standin
