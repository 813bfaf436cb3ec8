// SPDX-License-Identifier: GPL-3.0-or-later
// The network ports against a real Samba server (tests/support/samba-fixture.sh), one instance
// for this whole program, and a whole pelvanectl run with copy, append and service restart
// against it and a stand-in SQL server.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "engine/ServiceStateNames.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/SmbNetworkShares.h"
#include "platform/SmbRemoteClock.h"
#include "settings/PasswordScrambler.h"
#include "settings/SettingsStore.h"
#include "standin/ToolRun.h"
#include "support/SambaServer.h"
#include "support/StandinServer.h"
#include "support/TempDir.h"

namespace pelvane::platform {
namespace {

namespace code = engine::connect_code;
using engine::ServiceState;
using pelvane::testing::ReadBytes;
using pelvane::testing::RunTool;
using pelvane::testing::SambaServer;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

SambaServer& Samba() {
  return SambaServer::Shared();
}

TEST(SmbSharesTest, ConnectOutcomes) {
  const std::string password = SambaServer::kPassword;
  const std::tuple<std::string, std::string, int> cases[] = {
      {Samba().NetworkPath("dir\\"), password, code::kConnected},
      {Samba().NetworkPath("dir"), "wrong", code::kLogonFailure},
      {Samba().NetworkPath("locked"), password, code::kAccessDenied},
      {Samba().NetworkPath("nodir"), password, code::kBadNetworkName},
      {"smb://127.0.0.1:1/share/dir", password, code::kNoNetOrBadPath},
  };
  for (const auto& [path, pw, expected] : cases) {
    SCOPED_TRACE(path + " " + pw);
    SmbNetworkShares shares;
    const int failuresBefore = Samba().LogonFailures();
    const auto connection = shares.Connect(path, SambaServer::kUser, pw);
    EXPECT_EQ(connection.code, expected) << connection.message;
    EXPECT_EQ(connection.localName.empty(), expected != code::kConnected);
    EXPECT_EQ(connection.message.empty(), expected == code::kConnected);
    // One refused logon is one failure in the server's log, never one per retry.
    EXPECT_EQ(Samba().LogonFailures() - failuresBefore, expected == code::kLogonFailure ? 1 : 0);
    EXPECT_EQ(shares.Disconnect(connection.localName, true), expected == code::kConnected);
  }
}

TEST(SmbSharesTest, CopyAndAppendWriteWholeFilesAndKeepExistingOnes) {
  TempDir local;
  const std::string first = "first version\r\n", second = "second version, longer\r\n";
  WriteBytes(local.File("first.txt"), first);
  WriteBytes(local.File("second.txt"), second);
  ASSERT_EQ(::mkfifo(local.File("pipe.txt").c_str(), 0600), 0);
  const std::filesystem::path onDisk = Samba().LocalPath("dir/report.txt");
  std::filesystem::remove(onDisk);

  SmbNetworkShares shares;
  const auto connection =
      shares.Connect(Samba().NetworkPath("dir"), SambaServer::kUser, SambaServer::kPassword);
  ASSERT_EQ(connection.code, code::kConnected) << connection.message;
  const std::string destination = connection.localName + "report.txt";
  // The source, whether an existing file is kept, the error number (0: none), the file after.
  const std::tuple<std::string, bool, int, std::string> steps[] = {
      {local.File("first.txt"), true, 0, first},
      {local.File("second.txt"), true, 58, first},
      {local.File("second.txt"), false, 0, second},
      {local.File("none.txt"), false, 53, second},
      // Opening a pipe without a writer would wait forever, holding every other copy up.
      {local.File("pipe.txt"), false, 53, second},
      {local.path().string(), false, 53, second},
  };
  for (const auto& [source, failIfExists, number, content] : steps) {
    const Status copied = shares.CopyFile(source, destination, failIfExists);
    EXPECT_EQ(copied.ok() ? 0 : copied.number(), number) << source << ": " << copied.message();
    EXPECT_EQ(ReadBytes(onDisk.string()), content) << source;
  }
  for (const auto& entry : std::filesystem::directory_iterator(onDisk.parent_path()))
    EXPECT_NE(entry.path().extension(), ".part") << entry.path();

  // Several blocks and a short tail: every block arrives once and in order. How much memory a
  // large copy takes is measured by bench/SmbCopyBench.cpp.
  std::string bytes(3 * 256 * 1024 + 7, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + i / 4096);
  WriteBytes(local.File("blocks.bin"), bytes);
  std::filesystem::remove(Samba().LocalPath("dir/blocks.bin"));
  const Status large =
      shares.CopyFile(local.File("blocks.bin"), connection.localName + "blocks.bin", true);
  ASSERT_TRUE(large) << large.message();
  EXPECT_TRUE(ReadBytes(Samba().LocalPath("dir/blocks.bin").string()) == bytes);

  // Appending creates the file, then adds lines.
  std::filesystem::remove(Samba().LocalPath("dir/changes.log"));
  const std::string log = connection.localName + "changes.log";
  EXPECT_TRUE(shares.AppendText(log, "line 1"));
  EXPECT_TRUE(shares.AppendText(log, "line 2"));
  EXPECT_EQ(ReadBytes(Samba().LocalPath("dir/changes.log").string()), "line 1\r\nline 2\r\n");
  EXPECT_EQ(shares.AppendText(connection.localName + "nodir\\x.log", "x").number(), 76);

  ASSERT_TRUE(shares.Disconnect(connection.localName, true));
  // Outside every connection nothing is tried with other credentials.
  const int failuresBefore = Samba().LogonFailures();
  EXPECT_FALSE(shares.CopyFile(local.File("first.txt"), destination, false));
  EXPECT_EQ(Samba().LogonFailures(), failuresBefore);
}

TEST(SmbRemoteClockTest, ReadsTheServerClockAndFailsWithoutOne) {
  SmbRemoteClock clock;
  const std::optional<engine::RemoteTime> now = clock.CurrentTime(Samba().Machine());
  ASSERT_TRUE(now);
  EXPECT_LE(std::abs(now->utc - std::time(nullptr)), 2);
  EXPECT_FALSE(clock.CurrentTime("127.0.0.1:1"));
  EXPECT_FALSE(clock.CurrentTime("no such machine.invalid"));
}

TEST(NetRpcServiceControlTest, StopStartAndRefusals) {
  Samba();  // started before the watch, so only the requests' own processes are looked at
  pelvane::testing::CommandLineWatch watch(SambaServer::kPassword);
  NetRpcServiceControl services;
  const engine::NetworkLogin admin{SambaServer::kUser, SambaServer::kPassword};
  const engine::NetworkLogin guest{SambaServer::kGuestUser, SambaServer::kPassword};
  const engine::NetworkLogin wrong{SambaServer::kUser, "wrong"};
  const std::string machine = Samba().Machine();
  const std::string service = SambaServer::kService;

  services.Start(machine, service, admin);
  ASSERT_EQ(services.QueryState(machine, service, admin), ServiceState::kRunning);

  services.Stop("\\\\" + machine, service, admin);
  EXPECT_EQ(engine::ServiceStateName(services.QueryState(machine, service, admin)), "Stopped");
  // A user without the right to start it is refused, and the state stays.
  services.Start(machine, service, guest);
  EXPECT_EQ(services.QueryState(machine, service, guest), ServiceState::kStopped);
  services.Start(machine, service, admin);
  EXPECT_EQ(engine::ServiceStateName(services.QueryState(machine, service, admin)), "Running");

  EXPECT_EQ(services.QueryState(machine, "NoSuchService", admin), ServiceState::kUnknown);
  EXPECT_EQ(services.QueryState(machine, service, wrong), ServiceState::kUnknown);
  // A wrong password is told as a refused logon; a user without the right is not one.
  EXPECT_TRUE(services.Stop(machine, service, wrong).logonRefused);
  EXPECT_FALSE(services.Stop(machine, service, guest).logonRefused);
  EXPECT_EQ(services.QueryState(machine, service, admin), ServiceState::kRunning);

  const auto [leaks, netProcesses] = watch.Finish();
  EXPECT_EQ(leaks, 0);
  EXPECT_GE(netProcesses, 5u);  // the watch did see the requests' processes
}

// DateTimeFormat "T" makes every timestamp the letter T.
TEST(NetworkRunTest, CopyAppendAndRestartAgainstSamba) {
  SambaServer& samba = Samba();  // first, so the stand-in shares its network
  pelvane::testing::StandinServer standin;
  TempDir dir;
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
  WriteBytes(script, "SELECT 1\nGO\n");
  WriteBytes(deploy, "build 42\n");

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
}

}  // namespace
}  // namespace pelvane::platform
