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
      {"SA", "Secret1", "PUBS", LoginResult::kAccepted},
      {"sa", "Secret1", "master", LoginResult::kAccepted},
      {"app", "pa:ss", "pubs", LoginResult::kAccepted},
      {"sa", "secret1", "", LoginResult::kBadLogin},
      {"sa", "", "", LoginResult::kBadLogin},
      {"nobody", "Secret1", "", LoginResult::kBadLogin},
      {"sa", "Secret1", "nowhere", LoginResult::kUnknownDatabase},
      {"sa", "wrong", "nowhere", LoginResult::kBadLogin},
  };
  for (const Case& c : cases)
    EXPECT_EQ(server->CheckLogin(c.login, c.password, c.database), c.expected)
        << c.login << "/" << c.password << "/" << c.database;
}

TEST(ServerStoreTest, RefusesMalformedStartValues) {
  pelvane::testing::TempDir dir;
  EXPECT_FALSE(ServerData::Open(dir.File("a"), {"nopassword"}, {}).ok());
  EXPECT_FALSE(ServerData::Open(dir.File("b"), {":secret"}, {}).ok());
  EXPECT_FALSE(ServerData::Open(dir.File("c"), {"sa:x"}, {"../escape"}).ok());
  EXPECT_FALSE(ServerData::Open(dir.File("d"), {"sa:x"}, {""}).ok());
}

TEST(ServerStoreTest, ServerNameIsStablePerFolder) {
  pelvane::testing::TempDir dir;
  auto first = OpenOrFail(dir.File("1433"), {"sa:x"});
  auto again = OpenOrFail(dir.File("1433"), {"sa:x"});
  auto other = OpenOrFail(dir.File("east-2"), {"sa:x"});
  ASSERT_TRUE(first && again && other);
  EXPECT_EQ(first->ServerName(), "STANDIN1433");
  EXPECT_EQ(again->ServerName(), first->ServerName());
  EXPECT_EQ(other->ServerName(), "EAST_2");
}

TEST(ServerStoreTest, PasswordChangeByRpc) {
  pelvane::testing::TempDir dir;
  auto server = OpenOrFail(dir.File("srv"), {"sa:Secret1", "app:AppPass"});
  ASSERT_TRUE(server);
  Session session(server, "sa", "");

  // A wrong old password is refused by batch and by isql through the driver (their tests).
  RpcOutcome changed = session.CallProcedure("master..SP_PASSWORD", {"AppPass", "New;}1", "APP"});
  EXPECT_EQ(changed.returnStatus, 0);
  EXPECT_TRUE(changed.events.empty());
  EXPECT_EQ(server->CheckLogin("app", "AppPass", ""), LoginResult::kBadLogin);
  EXPECT_EQ(server->CheckLogin("app", "New;}1", ""), LoginResult::kAccepted);

  // A NULL new password sets an empty one; the login defaults to the caller's.
  RpcOutcome emptied = session.CallProcedure("dbo.sp_password", {"Secret1", std::nullopt});
  EXPECT_EQ(emptied.returnStatus, 0);
  EXPECT_EQ(server->CheckLogin("sa", "", ""), LoginResult::kAccepted);
  EXPECT_EQ(server->CheckLogin("sa", "Secret1", ""), LoginResult::kBadLogin);

  RpcOutcome unknownLogin = server->ChangePassword("x", "y", "ghost");
  EXPECT_EQ(unknownLogin.returnStatus, 1);
}

TEST(ServerStoreTest, ProceduresByRpc) {
  pelvane::testing::TempDir dir;
  auto server = OpenOrFail(dir.File("srv"), {"sa:Secret1"});
  ASSERT_TRUE(server);
  Session session(server, "sa", "pubs");
  EXPECT_EQ(Transcript(session
                           .RunBatch("create procedure dbo.answer @base int, @word "
                                     "varchar(9) = 'hi' as\nprint @word\nreturn @base + 1")
                           .events),
            (Lines{"done"}));

  RpcOutcome answered = session.CallProcedure("[dbo].[Answer]", {"6"});
  EXPECT_EQ(answered.returnStatus, 7);
  EXPECT_EQ(Transcript(answered.events), (Lines{"info 0/0/1 L2 answer: hi", "done"}));
  RpcOutcome withNull = session.CallProcedure("answer", {"1", std::nullopt});
  EXPECT_EQ(withNull.returnStatus, 2);
  EXPECT_EQ(Transcript(withNull.events), (Lines{"info 0/0/1 L2 answer: ", "done"}));

  RpcOutcome missing = session.CallProcedure("nothere", {});
  EXPECT_NE(missing.returnStatus, 0);
  EXPECT_EQ(Transcript(missing.events),
            (Lines{"error 2812/16/62 L1: Could not find stored procedure 'nothere'."}));

  // Procedures belong to their database.
  Session inMaster(server, "sa", "master");
  EXPECT_NE(inMaster.CallProcedure("answer", {"1"}).returnStatus, 0);
}

TEST(ServerStoreTest, DataAndPasswordsOutliveARestart) {
  pelvane::testing::TempDir dir;
  {
    auto server = OpenOrFail(dir.File("srv"), {"sa:Secret1", "app:AppPass"}, {"Pubs"});
    ASSERT_TRUE(server);
    Session session(server, "sa", "pubs");
    session.RunBatch("create table kept (a int)\ninsert kept values (42)");
    session.RunBatch("create procedure keptproc as select 'proc' as p");
    ASSERT_EQ(session.CallProcedure("sp_password", {"AppPass", "Changed1", "app"}).returnStatus, 0);
  }
  // sa is given again on the command line and so is reset; app keeps its changed password.
  auto server = OpenOrFail(dir.File("srv"), {"sa:Again1"}, {"PUBS"});
  ASSERT_TRUE(server);
  EXPECT_EQ(server->CheckLogin("app", "Changed1", "pubs"), LoginResult::kAccepted);
  EXPECT_EQ(server->CheckLogin("sa", "Again1", ""), LoginResult::kAccepted);
  EXPECT_EQ(server->CheckLogin("sa", "Secret1", ""), LoginResult::kBadLogin);
  Session session(server, "sa", "PUBS");
  EXPECT_EQ(session.database(), "Pubs");
  EXPECT_EQ(
      Transcript(session.RunBatch("select a from kept\nexec keptproc").events),
      (Lines{"cols a:int", "row 42", "done 1", "cols p:text", "row 'proc'", "done 1", "done"}));
}

TEST(ServerStoreTest, SessionsWriteAtTheSameTime) {
  pelvane::testing::TempDir dir;
  auto server = OpenOrFail(dir.File("srv"), {"sa:Secret1"});
  ASSERT_TRUE(server);
  Session setup(server, "sa", "pubs");
  ASSERT_EQ(Transcript(setup.RunBatch("create table hits (session int, n int)").events),
            (Lines{"done"}));

  constexpr int kRows = 150;
  std::atomic<int> failures{0};
  std::vector<std::string> firstFailure(3);
  auto writer = [&](int id) {
    Session session(server, "sa", "pubs");
    for (int n = 0; n < kRows; ++n) {
      std::string batch =
          "insert hits values (" + std::to_string(id) + ", " + std::to_string(n) +
          ")\nbegin tran\nupdate hits set n = n where session = " + std::to_string(id) +
          " and n = 0\ncommit";
      for (const BatchEvent& event : session.RunBatch(batch).events) {
        if (const auto* error = std::get_if<ErrorMessage>(&event)) {
          if (failures++ == 0) firstFailure[static_cast<size_t>(id)] = error->text;
        }
      }
    }
  };
  auto passwords = [&]() {
    for (int n = 0; n < kRows; ++n)
      if (server->CheckLogin("sa", "Secret1", "pubs") != LoginResult::kAccepted) ++failures;
  };
  std::thread a(writer, 1), b(writer, 2), c(passwords);
  a.join();
  b.join();
  c.join();
  EXPECT_EQ(failures.load(), 0) << firstFailure[1] << firstFailure[2];
  EXPECT_EQ(Transcript(setup.RunBatch("select count(*) from hits").events),
            (Lines{"cols :int", "row " + std::to_string(2 * kRows), "done 1"}));
}

}  // namespace
}  // namespace pelvane::standin
