// SPDX-License-Identifier: GPL-3.0-or-later
// A whole pelvanectl run with copy, append and service restart against a stand-in SQL server
// and the Samba fixture. DateTimeFormat "T" makes every timestamp the letter T.

#include <gtest/gtest.h>

#include "settings/PasswordScrambler.h"
#include "settings/SettingsStore.h"
#include "standin/ToolRun.h"
#include "support/SambaServer.h"
#include "support/StandinServer.h"
#include "support/TempDir.h"

#ifndef PELVANE_PELVANECTL_PATH
#error "PELVANE_PELVANECTL_PATH must name pelvanectl"
#endif

namespace pelvane::platform {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::RunTool;
using pelvane::testing::SambaServer;

TEST(NetworkRunTest, CopyAppendAndRestartAgainstSamba) {
  SambaServer& samba = SambaServer::Shared();  // first, so the stand-in shares its network
  pelvane::testing::StandinServer standin;
  pelvane::testing::TempDir dir;
  const std::string settings = dir.File("Pelvane.ZRQ"), server = standin.server();
  std::filesystem::remove(samba.LocalPath("dir/deploy.txt"));
  std::filesystem::remove(samba.LocalPath("dir/changes.log"));
  auto pelvanectl = [&](std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), {PELVANE_PELVANECTL_PATH, "--settings", settings});
    return RunTool(args, input, {}, std::chrono::seconds(60));
  };
  ASSERT_EQ(pelvanectl({"servers", "add", server, "--group", "prod"}).exitCode, 0);
  ASSERT_EQ(pelvanectl({"login", server, "--user", "sa", "--database", "pubs", "--password-stdin",
                        "--save-anyway"},
                       "Secret1\n")
                .exitCode,
            0);
  // The copy, append and service settings of the server, all on the Samba fixture.
  settings::SettingsStore store(settings);
  const std::pair<const char*, std::string> values[] = {
      {"CopyPath", samba.NetworkPath("dir\\")},
      {"AppendToFile", samba.NetworkPath("dir\\changes.log")},
      {"GetTimeFrom", samba.Machine()},
      {"CopyToLogin", SambaServer::kUser},
      {"CopyToPW", settings::ScramblePassword(SambaServer::kPassword, settings::PasswordKey)},
      {"ServiceServer", samba.Machine()},
      {"ServiceName", SambaServer::kService},
  };
  ASSERT_TRUE(store.SaveINIValues("Pelvane", "DateTimeFormat", "\"T\""));
  for (const auto& [key, value] : values) ASSERT_TRUE(store.SaveINIValues(server, key, value));
  const std::string script = dir.File("select.sql"), deploy = dir.File("deploy.txt");
  pelvane::testing::WriteBytes(script, "SELECT 1\nGO\n");
  pelvane::testing::WriteBytes(deploy, "build 42\n");

  pelvane::testing::CommandLineWatch watch(SambaServer::kPassword);
  const pelvane::testing::ToolOutcome run =
      pelvanectl({"run", "--server", server, "--script", script, "--copy", deploy, "--append",
                  "--append-text", "Deployed build 42", "--add-timestamp", "--restart-service"});
  const std::string shownFolder = "smb://" + samba.Machine() + "/share/dir/";
  for (const std::string& line : {
           "T, File, " + deploy + ", copied to " + shownFolder + "deploy.txt, --> SUCCESSFUL.",
           std::string("T, Text appended to changes.log --> SUCCESSFUL."),
           "T, Service Spooler, stopped on Server: " + samba.Machine() + ".",
           "T, Service Spooler, started on Server: " + samba.Machine() + ".",
       })
    EXPECT_NE(run.output.find(line + "\n"), std::string::npos) << line << " in:\n" << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;

  EXPECT_EQ(ReadBytes(samba.LocalPath("dir/deploy.txt").string()), "build 42\n");
  EXPECT_EQ(ReadBytes(samba.LocalPath("dir/changes.log").string()), "T\tDeployed build 42\r\n");
  EXPECT_EQ(watch.Leaks(), 0);
  EXPECT_GE(watch.NetProcessesSeen(), 3u);
}

}  // namespace
}  // namespace pelvane::platform
