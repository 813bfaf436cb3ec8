// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "uikit/RunResume.h"
#include "uikit/RunWorker.h"

namespace pelvane::shell {
namespace {

/// Serves the worker on this (the window) thread as the event loop would, until it has ended.
void ServeUntilEnded(RunWorker& worker) {
  while (!worker.Serve()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(RunWorkerTest, HandsOverInOrderAndAnswersQuestionsOnTheWindowThread) {
  const std::thread::id window = std::this_thread::get_id();
  std::atomic<int> wakes{0};
  RunWorker worker([&wakes] { ++wakes; });
  std::vector<std::string> seen;  // window thread only
  bool answered = false;          // written on the window thread, read by the worker
  bool ranOnWindow = false;
  worker.Start([&] {
    worker.Post([&] { seen.push_back("mark"); });
    EXPECT_TRUE(worker.Call([&] {
      ranOnWindow = std::this_thread::get_id() == window;
      seen.push_back("question");
      answered = true;
    }));
    EXPECT_TRUE(answered);  // the worker waited for the answer
    worker.Post([&] { seen.push_back("caption"); });
  });
  EXPECT_TRUE(worker.Running());
  ServeUntilEnded(worker);
  EXPECT_FALSE(worker.Running());
  EXPECT_TRUE(ranOnWindow);
  EXPECT_EQ(seen, (std::vector<std::string>{"mark", "question", "caption"}));
  EXPECT_GE(wakes, 4);           // three hand-overs and the end
  EXPECT_FALSE(worker.Serve());  // the end is told once

  // On the window thread itself a call runs at once.
  EXPECT_TRUE(worker.Call([&] { seen.push_back("direct"); }));
  EXPECT_EQ(seen.back(), "direct");
}

TEST(RunWorkerTest, ClosingAnswersUnshownAndAbandonNeverWaitsOnTheWindow) {
  // Closing: a question is not shown, and the work goes on to its end.
  RunWorker worker([] {});
  worker.SetClosing(true);
  bool shown = false, ran = true;
  worker.Start([&] { ran = worker.Call([&] { shown = true; }); });
  ServeUntilEnded(worker);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(shown);

  // Abandoned while the worker waits on a question nobody serves: it is answered unshown, the
  // thread is joined, and what the worker posted is dropped.
  for (bool destroyed : {false, true}) {
    SCOPED_TRACE(destroyed ? "destroyed" : "abandoned");
    std::atomic<bool> asking{false};
    bool posted = false, answered = true;
    {
      RunWorker running([] {});
      running.Start([&] {
        running.Post([&] { posted = true; });
        asking = true;
        answered = running.Call([&] { shown = true; });
      });
      while (!asking) std::this_thread::yield();
      if (!destroyed) {
        running.Abandon();
        EXPECT_FALSE(running.Running());
      }
    }
    EXPECT_FALSE(answered);
    EXPECT_FALSE(shown);
    EXPECT_FALSE(posted);
  }
}

TEST(RunResumeTest, AStoppedRunContinuesOnlyWithTheSameServersScriptsAndSteps) {
  engine::RunInputs then;
  then.processServers = {"A", "B", "C"};
  then.scriptText = "/s/one.sql";
  then.copyFileText = "/c/a.txt";
  using In = engine::RunInputs;
  const std::pair<void (*)(In&), bool> cases[] = {
      // a change since the stop; may it go on?
      {[](In&) {}, true},
      {[](In& in) { in.simpleScriptText = "x"; }, true},
      {[](In& in) { in.processServers.pop_back(); }, false},
      {[](In& in) { std::swap(in.processServers[0], in.processServers[1]); }, false},
      {[](In& in) { in.scriptText = "/s/two.sql"; }, false},
      {[](In& in) { in.copyFileText = "/c/b.txt"; }, false},
      {[](In& in) { in.copyFile = true; }, false},
      {[](In& in) { in.overwriteFile = true; }, false},
      {[](In& in) { in.appendText = true; }, false},
      {[](In& in) { in.restartServices = true; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    In now = then;
    c.first(now);
    EXPECT_EQ(MayContinueWith(then, now), c.second);
  }
}

}  // namespace
}  // namespace pelvane::shell
