// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/OrderedRunner.h"
#include "engine/SerializedRunHost.h"
#include "fakes/Fakes.h"

namespace pelvane::engine {
namespace {

TEST(OrderedRunnerTest, ARunnerStoppedBeforeItStartsHandsOutNothing) {
  // Stopped by a call, or by its stop question.
  for (bool asked : {false, true}) {
    OrderedRunner runner(4, [asked] { return asked; });
    if (!asked) runner.StopHandingOut();
    int ran = 0;
    EXPECT_EQ(runner.Run(
                  3, [&](size_t, ServerLog&) { ++ran; }, [](size_t, const LogPiece&) {}),
              0u);
    EXPECT_EQ(ran, 0);
  }
}

TEST(OrderedRunnerTest, OneWorkerRunsStrictlyOneAfterAnotherOnTheCallingThread) {
  OrderedRunner runner(1);
  std::vector<std::string> events;
  const std::thread::id caller = std::this_thread::get_id();
  bool sameThread = true;
  const size_t next = runner.Run(
      4,
      [&](size_t index, ServerLog& log) {
        sameThread = sameThread && std::this_thread::get_id() == caller;
        events.push_back("begin " + std::to_string(index));
        log.Message("line " + std::to_string(index), true);  // reaches the sink at once
        events.push_back("end " + std::to_string(index));
        if (index == 2) runner.StopHandingOut();
      },
      [&](size_t index, const LogPiece& piece) {
        events.push_back(std::to_string(index) + ":" + piece.text);
      });
  EXPECT_TRUE(sameThread);
  EXPECT_EQ(next, 3u);
  EXPECT_EQ(events, (std::vector<std::string>{"begin 0", "0:line 0", "end 0", "begin 1", "1:line 1",
                                              "end 1", "begin 2", "2:line 2", "end 2"}));
}

TEST(OrderedRunnerTest, AJobThatThrowsStopsTheHandOutsAndIsThrownAfterTheOthersAreLogged) {
  OrderedRunner runner(3);
  fakes::Barrier thrown(2);  // server 0 goes on once server 1 is about to throw
  std::vector<std::string> delivered;
  EXPECT_THROW(runner.Run(
                   50,
                   [&](size_t index, ServerLog& log) {
                     log.Message("server " + std::to_string(index), true);
                     if (index <= 1) thrown.ArriveAndWait();
                     if (index == 1) throw std::runtime_error("out of memory");
                   },
                   [&](size_t, const LogPiece& piece) { delivered.push_back(piece.text); }),
               std::runtime_error);
  ASSERT_GE(delivered.size(), 2u);
  EXPECT_EQ(delivered[0], "server 0");
  EXPECT_EQ(delivered[1], "server 1");
  EXPECT_TRUE(runner.HandingOutStopped());
}

/// A host whose questions wait until the test lets them go.
class GatedHost : public fakes::FakeRunHost {
 public:
  Answer AskYesNo(const std::string& text, const std::string& caption) override {
    const int inside = ++asking;
    maxAsking = std::max(maxAsking.load(), inside);
    if (text == "first") {
      entered.ArriveAndWait();
      release.ArriveAndWait();
    }
    --asking;
    return FakeRunHost::AskYesNo(text, caption);
  }
  std::atomic<int> asking{0}, maxAsking{0};
  fakes::Barrier entered{2}, release{2};
};

TEST(OrderedRunnerTest, QuestionsReachTheUserOneAtATimeAndNeverHoldUpTheLog) {
  GatedHost host;
  SerializedRunHost serialized(host);
  std::thread first([&] { serialized.AskYesNo("first", kProgramTitle); });
  host.entered.ArriveAndWait();
  // While the first question waits for its answer, other servers still log and mark.
  serialized.LogWindow().AppendText("still logging\r\n");
  serialized.ServerStarted(2);
  serialized.ServerStarted(1);
  serialized.ServerFinished(2);
  std::thread second([&] { serialized.AskYesNo("second", kProgramTitle); });
  host.release.ArriveAndWait();
  first.join();
  second.join();
  EXPECT_EQ(host.maxAsking, 1);
  EXPECT_EQ(host.window.Text(), "still logging\r\n");
  EXPECT_EQ(host.marked, (std::vector<std::vector<int>>{{2}, {1, 2}, {1}}));
  EXPECT_EQ(host.events, (std::vector<std::string>{"yesno: The Pelvane Tool | first",
                                                   "yesno: The Pelvane Tool | second"}));
}

}  // namespace
}  // namespace pelvane::engine
