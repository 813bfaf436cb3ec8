// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ServiceStep.h"
#include "engine/fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;
using fakes::Lines;

const Lines kRequestLines = {"T, Service Spooler, stopped on Server: \\\\APPSRV.",
                             "T, Service Spooler, started on Server: \\\\APPSRV."};
constexpr char kFailedLine[] =
    "T, Service Spooler, FAILED TO START on Server: \\\\APPSRV.  CHECK MANUALLY.";

void Configure(FakeRun& f, const std::string& serviceServer, const std::string& serviceName) {
  f.OnServer("SRV1", {{"ServiceServer", serviceServer}, {"ServiceName", serviceName}});
}

TEST(ServiceStepTest, RestartWaitsForTheServiceToRun) {
  struct Case {
    const char* name;
    std::vector<ServiceState> states;  // what the two checks read
    float delaySeconds;
    int totalWaitMs;
    bool failed;
  };
  for (const Case& c : {
           Case{"in time", {ServiceState::kRunning}, 3.0f, 4000, false},
           Case{"late", {ServiceState::kStartPending, ServiceState::kRunning}, 3.0f, 7000, false},
           Case{"never", {ServiceState::kStartPending, ServiceState::kStopped}, 1.5f, 5500, true},
       }) {
    FakeRun f;
    Configure(f, "\\\\APPSRV", "Spooler");
    f.state.ServicesDelay = c.delaySeconds;
    f.services.queryScript.assign(c.states.begin(), c.states.end());
    ASSERT_TRUE(f.store.SaveINIValues("SRV1", "CopyToLogin", "deployer"));

    RunServiceStep(f.run);

    Lines expected = kRequestLines;
    if (c.failed) expected.push_back(kFailedLine);
    EXPECT_EQ(f.LogLines(), expected) << c.name;
    EXPECT_EQ(f.services.requests, (Lines{"stop \\\\APPSRV/Spooler", "start \\\\APPSRV/Spooler"}))
        << c.name;
    // Stop, start and each status read go with the server's network login.
    EXPECT_EQ(f.services.logins, Lines(2 + c.states.size(), "deployer")) << c.name;
    EXPECT_EQ(f.sleeper.TotalMs(), c.totalWaitMs) << c.name;
    EXPECT_EQ(f.run.anyFailure, c.failed) << c.name;
  }
}

TEST(ServiceStepTest, NotConfigured) {
  struct Case {
    std::string serviceServer;
    std::string serviceName;
    std::string line;
  };
  for (const Case& c : {
           Case{"", "",
                "T SRV1: Service not configured for Service.  Go to Configure Servers / "
                "Configure Service to add a server name."},
       }) {
    FakeRun f;
    Configure(f, c.serviceServer, c.serviceName);
    RunServiceStep(f.run);
    EXPECT_EQ(f.LogLines(), Lines{c.line}) << c.serviceServer << "/" << c.serviceName;
    EXPECT_TRUE(f.services.requests.empty());
    EXPECT_TRUE(f.sleeper.pauses.empty());
    EXPECT_TRUE(f.run.anyFailure);
  }
}

}  // namespace
}  // namespace pelvane::engine
