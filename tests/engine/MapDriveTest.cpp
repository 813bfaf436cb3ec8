// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/MapDrive.h"
#include "engine/fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::FakeNetworkShares;
using fakes::FakeRunHost;

TEST(MapDriveTest, ResultClasses) {
  const std::string denied = "Access denied to \\\\FS\\share. Check username and password.";
  struct Case {
    int code;
    std::string message;
    size_t boxes;
  };
  for (const Case& c :
       {Case{connect_code::kConnected, "", 0}, Case{connect_code::kAccessDenied, denied, 0},
        Case{connect_code::kLogonFailure, denied, 0},
        Case{connect_code::kDuplicateName,
             "Path \\\\FS\\share NOT FOUND. Check Append To Path and Filename in "
             "Configure Servers.",
             0},
        Case{connect_code::kInvalidPassword, "", 1}, Case{connect_code::kBadNetworkName, "", 0}}) {
    SCOPED_TRACE(c.code);
    FakeNetworkShares shares;
    FakeRunHost host;
    shares.nextConnection = {c.code, c.code == connect_code::kConnected ? "/mnt/fs" : "", ""};

    const DriveConnection drive = MapNetworkDrive(shares, host, "\\\\FS\\share", "u", "p");

    EXPECT_EQ(drive.localName, c.code == connect_code::kConnected ? "/mnt/fs" : "");
    EXPECT_EQ(drive.LastConnectResult, c.code);
    EXPECT_EQ(drive.ConnectMessage, c.message);
    EXPECT_EQ(host.events.size(), c.boxes);
  }
}

TEST(MapDriveTest, LocalAndNetworkPaths) {
  struct Case {
    std::string path;
    bool local;
  };
  for (const Case& c : {Case{"C:\\Deploy", true}, Case{"d:", true}, Case{"/srv/deploy", true},
                        Case{"\\\\FS\\share", false}, Case{"Deploy", false}, Case{"", false}}) {
    EXPECT_EQ(IsLocalPath(c.path), c.local) << c.path;
  }
}

}  // namespace
}  // namespace pelvane::engine
