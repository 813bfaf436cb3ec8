// SPDX-License-Identifier: GPL-3.0-or-later
// A refused network logon costs one failed logon per server and run: an account whose lockout
// threshold is a handful of failures must survive a run with a wrong password.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ReportRecorder.h"
#include "engine/VeskRun.h"
#include "engine/fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;

/// Two servers whose copy (three files), append and service steps all use the network
/// credentials "fsuser" / "wrong".
struct NetworkRun : FakeRun {
  NetworkRun() {
    for (const std::string server : {"SRV1", "SRV2"}) {
      inputs.processServers.push_back(server);
      AddServer(server, "sa", "Secret1", "pubs");
      OnServer(server, {{"CopyPath", "\\\\FS\\share\\in"},
                        {"AppendToFile", "\\\\FS\\share\\changes.log"},
                        {"CopyToLogin", "fsuser"},
                        {"CopyToPW", "wrong"},
                        {"ServiceServer", "FS"},
                        {"ServiceName", "Spooler"}});
    }
    inputs.copyFile = true;
    inputs.copyFileText = "/src/a.txt\r\n/src/b.txt\r\n/src/c.txt";
    inputs.appendText = true;
    inputs.appendTextText = "deployed";
    inputs.restartServices = true;
    clock.time = 0;
    // Outside a connection the network port writes nothing.
    shares.copyResult = Status::Error("The network folder is not connected", 76);
  }
  size_t LinesWith(const std::string& part) const {
    const std::vector<std::string> lines = LogLines();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.find(part) != std::string::npos;
    }));
  }
};

TEST(NetworkLogonTest, ARefusedLogonIsNotOfferedAgainForThatServerInThatRun) {
  constexpr char kNotAgain[] = "were refused earlier in this run and are not tried again: ";
  struct Case {
    const char* name;
    int shareConnects;  // the result class of every connection attempt
    bool serviceRefuses;
    size_t connectsPerServer, serviceRequestsPerServer, notAgainLinesPerServer;
    size_t criticalMessagesPerServer;
    std::string reason;  // of the first refusal, carried by the later steps; empty: none
  } cases[] = {
      {"the share refuses", connect_code::kLogonFailure, true, 1, 0, 4, 0,
       "Access denied to \\\\FS\\share\\in. Check username and password."},
      {"the share calls the password invalid", connect_code::kInvalidPassword, true, 1, 0, 4, 1,
       "Invalid password for user, fsuser, Path: \\\\FS\\share\\in. Verify password and test "
       "manually."},
      {"only the service refuses", connect_code::kConnected, true, 4, 1, 0, 0,
       "The network logon was refused (NT_STATUS_LOGON_FAILURE)"},
      {"nothing refuses", connect_code::kConnected, false, 4, 2, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NetworkRun f;
    f.shares.nextConnection = {c.shareConnects, c.shareConnects ? "" : "/mnt/share", ""};
    if (c.serviceRefuses) f.services.refusedPassword = "wrong";
    ReportColumns columns;
    columns.copy = columns.append = columns.service = true;
    ReportRecorder recorder(columns, f.inputs.processServers);
    f.run.recorder = &recorder;
    RunVesk(1, f.run);

    // Each server is refused once at most: the refusal is the server's, not the run's.
    EXPECT_EQ(f.shares.connected.size(), 2 * c.connectsPerServer);
    EXPECT_EQ(f.services.requests.size(), 2 * c.serviceRequestsPerServer);
    EXPECT_EQ(f.LinesWith(kNotAgain), 2 * c.notAgainLinesPerServer) << f.host.window.Text();
    EXPECT_EQ(std::count_if(f.host.events.begin(), f.host.events.end(),
                            [](const std::string& e) { return e.rfind("critical:", 0) == 0; }),
              static_cast<long>(2 * c.criticalMessagesPerServer));
    if (c.reason.empty()) continue;
    for (const ServerRow& row : recorder.Snapshot().rows) {
      // The step that met the refusal names it; the later ones carry it and say why.
      EXPECT_NE(row.service.detail.find(c.reason), std::string::npos) << row.service.detail;
      EXPECT_EQ(row.service.verdict, Verdict::kFailed);
    }
    if (c.connectsPerServer == 1) {
      EXPECT_EQ(
          f.LinesWith("*** The network credentials of SRV2 " + std::string(kNotAgain) + c.reason),
          2u);  // the second and third copy
    }
  }
}

}  // namespace
}  // namespace pelvane::engine
