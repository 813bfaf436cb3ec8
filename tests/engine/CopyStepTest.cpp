// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CopyStep.h"
#include "engine/fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;
using fakes::Lines;

constexpr char kHint[] =
    "File May Already Exist. To Overwrite file select Overwrite Existing File? checkbox. "
    "Path/Filename may be invalid, check configuration.";

/// A run on server SRV1 whose copy target is `copyPath`, reached as "fsuser" / "Pa55".
void Configure(FakeRun& f, const std::string& copyPath) {
  f.OnServer("SRV1", {{"CopyPath", copyPath}, {"CopyToLogin", "fsuser"}, {"CopyToPW", "Pa55"}});
}

TEST(CopyStepTest, NetworkFoldersAreConnectedAndLocalOnesWrittenDirectly) {
  // A refused logon still copies, to the network path itself.
  struct Case {
    std::string copyPath;
    int connect;
    bool connected;
    std::string destination;
  };
  for (const Case& c :
       {Case{"\\\\FS\\share\\in\\", connect_code::kConnected, true, "/mnt/share/a.sql"},
        Case{"\\\\FS\\share\\in\\", connect_code::kAccessDenied, false, "\\\\FS\\share\\in\\a.sql"},
        Case{"C:\\Deploy", connect_code::kConnected, false, "C:\\Deploy\\a.sql"},
        Case{"/srv/deploy/", connect_code::kConnected, false, "/srv/deploy/a.sql"}}) {
    SCOPED_TRACE(c.copyPath);
    FakeRun f;
    Configure(f, c.copyPath);
    f.shares.nextConnection = {c.connect, c.connected ? "/mnt/share" : "", ""};
    f.inputs.copyFileText = "/work/a.sql";

    RunCopyStep(f.run);

    const bool network = c.copyPath[0] == '\\';
    EXPECT_EQ(f.shares.connected, network ? Lines{"\\\\FS\\share\\in"} : Lines{});
    EXPECT_EQ(f.shares.credentials, network ? Lines{"fsuser:Pa55"} : Lines{});
    EXPECT_EQ(f.LogLines(), (Lines{"", "T, File, /work/a.sql, copied to " + c.destination +
                                           ", --> SUCCESSFUL."}));
    EXPECT_EQ(f.shares.disconnected, c.connected ? Lines{"/mnt/share"} : Lines{});
    EXPECT_EQ(f.shares.disconnectForced, std::vector<bool>(c.connected, true));
    EXPECT_EQ(f.sleeper.pauses, std::vector<int>(c.connected, 1500));
    EXPECT_FALSE(f.run.anyFailure);
  }
}

TEST(CopyStepTest, SecondCopyWithoutOverwriteFailsWithHint) {
  FakeRun f;
  Configure(f, "/srv/deploy");
  f.shares.rememberCopies = true;
  f.inputs.copyFileText = "/work/a.sql|/work/a.sql";

  RunCopyStep(f.run);

  EXPECT_EQ(f.shares.copyFailIfExists, (std::vector<bool>{true, true}));
  EXPECT_EQ(
      f.LogLines(),
      (Lines{"", "T, File, /work/a.sql, copied to /srv/deploy/a.sql, --> SUCCESSFUL.", "",
             "T, File, /work/a.sql, copy to /srv/deploy/a.sql, --> UNSUCCESSFUL. ", kHint, ""}));
  EXPECT_TRUE(f.run.anyFailure);
}

TEST(CopyStepTest, HintFollowsTheOverwriteBoxAndTheConnectionResult) {
  struct Case {
    int connectCode;
    bool overwrite;
    Lines afterReport;  // the lines after the UNSUCCESSFUL line
    size_t messages;    // message boxes shown
  };
  const std::string generalHint = "Path/Filename may be invalid, check configuration.";
  for (const Case& c : {Case{connect_code::kConnected, false, {kHint}, 0},
                        Case{connect_code::kConnected, true, {generalHint}, 0},
                        Case{connect_code::kAccessDenied, false, {}, 0},
                        Case{connect_code::kLogonFailure, false, {kHint}, 0},
                        Case{connect_code::kInvalidPassword, false, {}, 1}}) {
    SCOPED_TRACE(c.connectCode);
    FakeRun f;
    Configure(f, "\\\\FS\\share");
    f.shares.nextConnection = {c.connectCode,
                               c.connectCode == connect_code::kConnected ? "/mnt/share" : "", ""};
    f.shares.copyResult = Status::Error("Path not found", 76);
    f.inputs.copyFileText = "/work/a.sql";
    f.inputs.overwriteFile = c.overwrite;

    RunCopyStep(f.run);

    // Without a connection the copy goes to the network path itself.
    const std::string destination =
        c.connectCode == connect_code::kConnected ? "/mnt/share/a.sql" : "\\\\FS\\share\\a.sql";
    Lines expected{"", "T, File, /work/a.sql, copy to " + destination + ", --> UNSUCCESSFUL. "};
    expected.insert(expected.end(), c.afterReport.begin(), c.afterReport.end());
    EXPECT_EQ(f.LogLines(), expected);
    EXPECT_EQ(f.host.events.size(), c.messages);
    EXPECT_EQ(f.shares.disconnected.size(), c.connectCode == connect_code::kConnected ? 1u : 0u);
    EXPECT_TRUE(f.run.anyFailure);
  }
}

TEST(CopyStepTest, ListsThatCannotBeUsed) {
  FakeRun f;
  Configure(f, "/srv/deploy");
  std::string list = "/work/0.sql";
  for (int i = 1; i <= 100; ++i) list += "|/work/" + std::to_string(i) + ".sql";
  f.inputs.copyFileText = list;

  RunCopyStep(f.run);

  EXPECT_TRUE(f.shares.copies.empty());
  EXPECT_EQ(f.LogLines(),
            (Lines{"",
                   "T, Copy File To Server skipped for Server: SRV1. The copy list holds more "
                   "than 100 files."}));
  EXPECT_TRUE(f.run.anyFailure);

  // A name without any folder cannot be cut out of its path: the general error, no copy.
  FakeRun bare;
  Configure(bare, "/srv/deploy");
  bare.inputs.copyFileText = "a.sql|/work/b.sql";
  RunCopyStep(bare.run);
  EXPECT_EQ(bare.host.events,
            Lines{"message: The Pelvane Tool | 5, Invalid procedure call or argument occured in "
                  "Pelvane."});
  ASSERT_EQ(bare.shares.copies.size(), 1u);
  EXPECT_EQ(bare.shares.copies[0].first, "/work/b.sql");
  EXPECT_TRUE(bare.run.anyFailure);
}

}  // namespace
}  // namespace pelvane::engine
