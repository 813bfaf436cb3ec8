// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ServerTargets.h"
#include "engine/ServiceStatusView.h"
#include "engine/fakes/Fakes.h"
#include "tools/CopyTargetChecks.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using engine::ServiceState;
using Lines = std::vector<std::string>;

TEST(CopyTargetChecksTest, RemoteServerFollowsTheAppendToPathWhenAgreed) {
  struct Case {
    std::string appendTo, remote;
    bool yes;
    std::string after;  // the box afterwards
    int asked;
  };
  const Case cases[] = {
      {R"(\\m1\share\log.txt)", "", false, "m1", 1},  // empty: filled whatever is answered
      {R"(\\m1\share\log.txt)", "m1", true, "m1", 0},
      {R"(\\m1\share\log.txt)", "M1", false, "M1", 1},  // case counts; No keeps
      {R"(\\m1\share\log.txt)", "other", true, "m1", 1},
      {"/var/log/app.log", "", true, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appendTo + " / " + c.remote);
    int asked = 0;
    const auto ask = [&](const std::string&) {
      ++asked;
      return c.yes;
    };
    EXPECT_EQ(RemoteServerForAppendPath(c.appendTo, c.remote, ask), c.after);
    EXPECT_EQ(asked, c.asked);
  }
}

TEST(CopyTargetChecksTest, TestConnectionDisconnectsOnlyWhatItConnected) {
  testing::TempDir dir;
  struct Case {
    std::string path;
    int code;
    bool connects, disconnects;
    std::string report;
  };
  const std::string share = R"(\\files\drop)";
  const Case cases[] = {
      {share + "\\", engine::connect_code::kConnected, true, true, "Connection succeeded."},
      {share, engine::connect_code::kAccessDenied, true, false,
       "Access denied to " + share + ". Check username and password."},
      {dir.path().string() + "/", engine::connect_code::kAccessDenied, false, false,
       "Connection succeeded."},
      {"/no/such/", engine::connect_code::kConnected, false, false,
       "Path /no/such/ NOT FOUND. Check Append To Path and Filename in Configure Servers."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    engine::fakes::FakeNetworkShares shares;
    shares.nextConnection = {c.code, "L:", ""};
    EXPECT_EQ(TestCopyConnection(shares, c.path, "copier", "pw"), c.report);
    EXPECT_EQ(shares.connected, c.connects ? Lines{share} : Lines{});
    EXPECT_EQ(shares.credentials, c.connects ? Lines{"copier:pw"} : Lines{});
    EXPECT_EQ(shares.disconnected, c.disconnects ? Lines{"L:"} : Lines{});
  }
}

// The request goes once; reads follow, a pause apart, until the service is running or stopped,
// at most kServicePolls of them.
TEST_F(ToolsTest, StartStopRequestsThenReadsUntilTheServiceSettles) {
  ASSERT_TRUE(engine::SaveServiceSettings(store, "ALPHA", {"Spooler", "m1"}));
  ASSERT_TRUE(engine::SaveServiceSettings(store, "BRAVO", {"Spooler", ""}));
  struct Case {
    std::string server, action;
    ServiceState answered;  // by every read; unknown: the state the request leaves
    std::string request;    // empty: none sent
    int reads;
    std::string last;  // the last read's state
  };
  const int all = engine::kServicePolls;
  const Case cases[] = {
      {"ALPHA", "Start", ServiceState::kStartPending, "start m1/Spooler", all, "Start Pending"},
      {"ALPHA", "", ServiceState::kUnknown, "", all, "Not Available."},
      {"BRAVO", "Start", ServiceState::kUnknown, "", 1, ""},  // no machine configured
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server + " " + c.action);
    engine::fakes::FakeServiceControl fake;
    if (c.answered != ServiceState::kUnknown) fake.queryScript.assign(all, c.answered);
    engine::fakes::FakeSleeper pauses;
    std::vector<std::string> reads;
    engine::RequestAndPollService(
        store, keyring, fake, pauses, c.server, c.action,
        [&](const engine::ServiceStatusView& v) { reads.push_back(v.text); });
    EXPECT_EQ(fake.requests, c.request.empty() ? Lines{} : Lines{c.request});
    ASSERT_EQ(reads.size(), static_cast<size_t>(c.reads));
    EXPECT_EQ(reads.back(), c.last.empty() ? "" : "Spooler (m1) - " + c.last);
    EXPECT_EQ(pauses.pauses.size(), static_cast<size_t>(c.reads - 1));
  }
}

}  // namespace
}  // namespace pelvane::tools
