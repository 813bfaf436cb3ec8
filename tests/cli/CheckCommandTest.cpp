// SPDX-License-Identifier: GPL-3.0-or-later
#include <map>

#include "cli/CliFixture.h"
#include "engine/JsonText.h"

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;

using CheckCommandTest = CliFixture;

// One connection per server, one cause each (the causes are the engine's table), as lines, in
// the report and in the exit status; the settings file and the log file are left alone.
TEST_F(CheckCommandTest, NamesTheCauseOfEachServer) {
  testing::StandinServer::Options options;
  options.servers = 3;
  options.logins = {"sa:Secret1", "old:Aged1:expired"};
  testing::StandinServer standin(options);
  const std::map<std::string, std::string> causes = {
      {standin.server(0), "OK"},
      {standin.server(1), "database missing or not accessible"},
      {standin.server(2), "password expired"},
  };
  Register(standin.server(0));
  Register(standin.server(1), "Secret1", "sa", "nosuch\x1b[2Jdb");  // named in the message
  Register(standin.server(2), "Aged1", "old");
  const std::string before = ReadBytes(settings);

  const std::string report = dir.File("check.json");
  const Outcome all = Run({"check", "--group", "prod", "--parallel", "3", "--report", report});
  EXPECT_EQ(all.code, 1) << all.out << all.err;
  Result<engine::JsonValue> json = engine::ParseJson(ReadBytes(report));
  ASSERT_TRUE(json.ok()) << json.status().message();
  ASSERT_EQ(json->Find("servers")->items.size(), causes.size());
  for (const engine::JsonValue& row : json->Find("servers")->items) {
    const std::string server = row.Find("server")->text;
    EXPECT_EQ(row.Find("cause")->text, causes.at(server)) << server;
    EXPECT_TRUE(Contains(all.out, server + ": " + causes.at(server))) << all.out;
  }
  EXPECT_TRUE(Contains(all.out, "Cannot open database \"NOSUCH^[[2JDB\"")) << all.out;
  EXPECT_FALSE(Contains(all.out, "\x1b"));
  EXPECT_EQ(Run({"check", "--server", standin.server(0)}).code, 0);
  EXPECT_EQ(ReadBytes(settings), before);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Pelvane.log")));
}

}  // namespace
}  // namespace pelvane::cli
