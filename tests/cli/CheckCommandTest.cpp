// SPDX-License-Identifier: GPL-3.0-or-later
#include <map>

#include "cli/CliFixture.h"
#include "engine/JsonText.h"
#include "settings/FileIo.h"

namespace pelvane::cli {
namespace {

class CheckCommandTest : public CliFixture {
 protected:
  static testing::StandinServer::Options Standins() {
    testing::StandinServer::Options options;
    options.servers = 3;
    options.logins = {"sa:Secret1", "old:Aged1:expired"};
    return options;
  }
  testing::StandinServer standin_{Standins()};
};

// One connection per server, one cause each (the causes are the engine's table), as lines, in
// the report and in the exit status; the settings file and the log file are left alone.
TEST_F(CheckCommandTest, NamesTheCauseOfEachServer) {
  const std::string dead = DeadServer();
  const std::map<std::string, std::string> causes = {
      {standin_.server(0), "OK"},
      {standin_.server(1), "database missing or not accessible"},
      {standin_.server(2), "password expired"},
      {dead, "port refused"},
  };
  Register(standin_.server(0));
  Register(standin_.server(1), "Secret1", "sa", "nosuch\x1b[2Jdb");  // named in the message
  Register(dead);
  ASSERT_EQ(Run({"servers", "add", standin_.server(2), "--group", "prod"}).code, 0);
  ASSERT_EQ(Run({"login", standin_.server(2), "--user", "old", "--password-stdin", "--save-anyway"},
                "Aged1\n")
                .code,
            0);
  const std::string before = settings::ReadFileBytes(settings)->bytes;

  const std::string report = dir.File("check.json");
  const Outcome all = Run({"check", "--group", "prod", "--parallel", "3", "--report", report});
  EXPECT_EQ(all.code, 1) << all.out << all.err;
  Result<engine::JsonValue> json = engine::ParseJson(settings::ReadFileBytes(report)->bytes);
  ASSERT_TRUE(json.ok()) << json.status().message();
  ASSERT_EQ(json->Find("servers")->items.size(), causes.size());
  for (const engine::JsonValue& row : json->Find("servers")->items) {
    const std::string server = row.Find("server")->text;
    EXPECT_EQ(row.Find("cause")->text, causes.at(server)) << server;
    EXPECT_NE(all.out.find(server + ": " + causes.at(server)), std::string::npos) << all.out;
  }
  EXPECT_NE(all.out.find(standin_.server(0) + ": OK (sqlstandin"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("; database pubs; not encrypted)"), std::string::npos) << all.out;
  EXPECT_NE(all.out.find("Cannot open database \"NOSUCH^[[2JDB\""), std::string::npos) << all.out;
  EXPECT_EQ(all.out.find('\x1b'), std::string::npos);

  const Outcome one = Run({"check", "--server", standin_.server(0)});
  EXPECT_EQ(one.code, 0) << one.out << one.err;
  EXPECT_NE(one.out.find("1 of 1 servers OK."), std::string::npos) << one.out;
  EXPECT_EQ(settings::ReadFileBytes(settings)->bytes, before);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Pelvane.log")));

  // A run's log gives the reason in place of the refused login's generic line.
  const Outcome run =
      Run({"run", "--server", standin_.server(2), "--script", Script("a.sql", "SELECT 1\nGO\n")});
  EXPECT_NE(run.out.find("Login FAILED for user old on Server: " + standin_.server(2) +
                         " (the password has expired)."),
            std::string::npos)
      << run.out;
}

}  // namespace
}  // namespace pelvane::cli
