// SPDX-License-Identifier: GPL-3.0-or-later
// A whole pelvanectl run with copy, append and service restart against a stand-in SQL server
// and the Samba fixture. DateTimeFormat "T" makes every timestamp the letter T.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/Cli.h"
#include "platform/OdbcSqlClient.h"
#include "settings/PasswordScrambler.h"
#include "settings/SettingsStore.h"
#include "support/SambaServer.h"
#include "support/StandinServer.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

#ifndef PELVANE_PELVANECTL_PATH
#error "PELVANE_PELVANECTL_PATH must name pelvanectl"
#endif

namespace pelvane::platform {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::SambaServer;
using pelvane::testing::StandinServer;
using pelvane::testing::Subprocess;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

int Cli(const std::string& settings, std::vector<std::string> args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  cli::CliEnvironment environment;
  environment.defaultSettingsFile = settings;
  environment.makeSqlClient = [](const std::atomic<bool>* interrupted) {
    OdbcSqlClient::Options options;
    options.interrupted = interrupted;
    return std::make_unique<OdbcSqlClient>(options);
  };
  return cli::RunCli(args, environment, in, out, err);
}

bool HasLine(const std::string& log, const std::string& line) {
  return log.find(line + "\n") != std::string::npos;
}

/// The copy, append and service settings of `server`, all on the Samba fixture.
void ConfigureNetworkSteps(const std::string& settings, const std::string& server,
                           const std::string& networkPassword) {
  SambaServer& samba = SambaServer::Shared();
  settings::SettingsStore store(settings);
  const std::pair<const char*, std::string> values[] = {
      {"CopyPath", samba.NetworkPath("dir\\")},
      {"AppendToFile", samba.NetworkPath("dir\\changes.log")},
      {"GetTimeFrom", samba.Machine()},
      {"CopyToLogin", SambaServer::kUser},
      {"CopyToPW", settings::ScramblePassword(networkPassword, settings::PasswordKey)},
      {"ServiceServer", samba.Machine()},
      {"ServiceName", SambaServer::kService},
  };
  ASSERT_TRUE(store.SaveINIValues("Pelvane", "DateTimeFormat", "\"T\""));
  for (const auto& [key, value] : values) ASSERT_TRUE(store.SaveINIValues(server, key, value));
}

TEST(NetworkRunTest, CopyAppendAndRestartAgainstSamba) {
  SambaServer& samba = SambaServer::Shared();  // first, so the stand-in shares its network
  StandinServer standin;
  TempDir dir;
  const std::string settings = dir.File("Pelvane.ZRQ");
  const std::string server = standin.server();
  std::filesystem::remove(samba.LocalPath("dir/deploy.txt"));
  std::filesystem::remove(samba.LocalPath("dir/changes.log"));

  ASSERT_EQ(Cli(settings, {"servers", "add", server, "--group", "prod"}), 0);
  ASSERT_EQ(Cli(settings,
                {"login", server, "--user", "sa", "--database", "pubs", "--password-stdin",
                 "--save-anyway"},
                "Secret1\n"),
            0);
  ConfigureNetworkSteps(settings, server, SambaServer::kPassword);
  const std::string script = dir.File("select.sql");
  WriteBytes(script, "SELECT 1\nGO\n");
  const std::string deploy = dir.File("deploy.txt");
  WriteBytes(deploy, "build 42\n");

  pelvane::testing::CommandLineWatch watch(SambaServer::kPassword);
  Subprocess run({PELVANE_PELVANECTL_PATH, "--settings", settings, "run", "--server", server,
                  "--script", script, "--copy", deploy, "--append", "--append-text",
                  "Deployed build 42", "--add-timestamp", "--restart-service"});
  std::string log;
  for (std::string line; run.ReadLine(line, std::chrono::seconds(60));) log += line + "\n";
  const int status = run.Stop();

  const std::string shownFolder = "smb://" + samba.Machine() + "/share/dir/";
  EXPECT_TRUE(HasLine(
      log, "T, File, " + deploy + ", copied to " + shownFolder + "deploy.txt, --> SUCCESSFUL."))
      << log;
  EXPECT_TRUE(HasLine(log, "T, Text appended to changes.log --> SUCCESSFUL.")) << log;
  EXPECT_TRUE(HasLine(log, "T, Service Spooler, stopped on Server: " + samba.Machine() + "."))
      << log;
  EXPECT_TRUE(HasLine(log, "T, Service Spooler, started on Server: " + samba.Machine() + "."))
      << log;
  EXPECT_EQ(log.find("FAILED"), std::string::npos) << log;
  EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;

  EXPECT_EQ(ReadBytes(samba.LocalPath("dir/deploy.txt").string()), "build 42\n");
  EXPECT_EQ(ReadBytes(samba.LocalPath("dir/changes.log").string()), "T\tDeployed build 42\r\n");
  EXPECT_EQ(watch.Leaks(), 0);
  EXPECT_GE(watch.NetProcessesSeen(), 3u);
}

}  // namespace
}  // namespace pelvane::platform
