// The steps over this platform's placeholders: local folders work, network ones fail in the
// steps' own words.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/AppendStep.h"
#include "engine/CopyStep.h"
#include "engine/ServiceStep.h"
#include "engine/fakes/Fakes.h"
#include "platform/UnavailableNetwork.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;
using pelvane::testing::ReadBytes;
using pelvane::testing::WriteBytes;
using Lines = std::vector<std::string>;

/// A fake run whose shares, clock and services are the placeholders.
struct PlaceholderRun {
  FakeRun f;
  platform::UnavailableNetworkShares shares;
  platform::UnavailableRemoteClock clock;
  platform::UnavailableServiceControl services;
  RunPorts ports{f.host, f.sql, f.processes, shares, clock, services, f.sleeper};
  RunContext run{f.inputs, ports, f.store, f.state, f.log, f.dir.File("bin")};

  PlaceholderRun() { run.server.CurrentServer = "SRV1"; }
  void Set(const std::string& key, const std::string& value) {
    ASSERT_TRUE(f.store.SaveINIValues("SRV1", key, value));
  }
};

TEST(UnavailableNetworkStepsTest, CopyToLocalFolderWorksAndToNetworkFails) {
  PlaceholderRun p;
  const std::string source = p.f.dir.File("a.sql");
  const std::string target = p.f.dir.File("target");
  WriteBytes(source, "first");
  std::filesystem::create_directory(target);
  p.Set("CopyPath", target);
  p.f.inputs.copyFileText = source + "|" + source;

  RunCopyStep(p.run);

  const std::string copied = target + "/a.sql";
  EXPECT_EQ(p.f.LogLines(),
            (Lines{"", "T, File, " + source + ", copied to " + copied + ", --> SUCCESSFUL.", "",
                   "T, File, " + source + ", copy to " + copied + ", --> UNSUCCESSFUL. ",
                   "File May Already Exist. To Overwrite file select Overwrite Existing File? "
                   "checkbox. Path/Filename may be invalid, check configuration.",
                   ""}));
  EXPECT_EQ(ReadBytes(copied), "first");

  WriteBytes(source, "second");
  p.f.inputs.overwriteFile = true;
  p.f.inputs.copyFileText = source;
  RunCopyStep(p.run);
  EXPECT_EQ(ReadBytes(copied), "second");

  PlaceholderRun network;
  network.Set("CopyPath", "\\\\FS\\share");
  network.f.inputs.copyFileText = source;
  network.f.inputs.overwriteFile = true;
  RunCopyStep(network.run);
  EXPECT_EQ(network.f.LogLines(),
            (Lines{"", "T, File, " + source + ", copy to \\\\FS\\share\\a.sql, --> UNSUCCESSFUL. ",
                   "Path/Filename may be invalid, check configuration."}));
  EXPECT_TRUE(network.run.anyFailure);
  EXPECT_TRUE(network.f.sleeper.pauses.empty());
}

TEST(UnavailableNetworkStepsTest, AppendToLocalFileWorksAndToNetworkFails) {
  PlaceholderRun p;
  const std::string log = p.f.dir.File("change.log");
  p.Set("AppendToFile", log);
  p.f.inputs.appendTextText = "Deployed";
  p.f.host.textAnswers = {std::string()};  // local clock

  RunAppendStep(p.run);
  RunAppendStep(p.run);

  EXPECT_EQ(ReadBytes(log), "Deployed\r\nDeployed\r\n");
  EXPECT_FALSE(p.run.anyFailure);

  PlaceholderRun missing;
  missing.Set("AppendToFile", missing.f.dir.File("no/such/change.log"));
  missing.Set("GetTimeFrom", "");
  missing.f.host.textAnswers = {std::string()};
  RunAppendStep(missing.run);
  ASSERT_EQ(missing.f.host.events.size(), 3u);  // the time question, the general error, the box
  EXPECT_EQ(missing.f.host.events[1].rfind("message: The Pelvane Tool | 76, Path not found", 0),
            0u);
  EXPECT_EQ(missing.f.LogLines().back(), "Append Text Failed, could not open file, " +
                                             missing.f.dir.File("no/such/change.log") +
                                             ", for Append.  Server: SRV1.");

  PlaceholderRun network;
  network.Set("AppendToFile", "\\\\APPSRV\\logs\\change.log");
  network.f.inputs.appendTextText = "Deployed";
  network.f.inputs.addTimeStamp = true;
  EXPECT_EQ(RunAppendStep(network.run), StepEnd::kContinue);
  EXPECT_EQ(network.f.host.window.Text(),
            "\r\nERROR while attempting to retrieve time from Remote Server, APPSRV.  Server does "
            "not exist or access has not been granted, check server name and try again.\r\n"
            "Server: SRV1, Append To --> UNSUCCESSFUL.\r\n");
  EXPECT_TRUE(network.run.anyFailure);
}

TEST(UnavailableNetworkStepsTest, ServiceRestartReportsFailureAfterTheWaits) {
  PlaceholderRun p;
  p.Set("ServiceServer", "APPSRV");
  p.Set("ServiceName", "Spooler");

  RunServiceStep(p.run);

  EXPECT_EQ(p.f.LogLines(),
            (Lines{"T, Service Spooler, stopped on Server: APPSRV.",
                   "T, Service Spooler, started on Server: APPSRV.",
                   "T, Service Spooler, FAILED TO START on Server: APPSRV.  CHECK MANUALLY."}));
  EXPECT_EQ(p.f.sleeper.TotalMs(), 7000);
  EXPECT_TRUE(p.run.anyFailure);
}

}  // namespace
}  // namespace pelvane::engine
