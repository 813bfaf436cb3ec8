// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "uikit/BackgroundTasks.h"

namespace pelvane::shell {
namespace {

TEST(BackgroundTasksTest, ResultsReachTheWindowThreadOnlyWhileTheReceiverLives) {
  QThread* const windowThread = QThread::currentThread();
  BackgroundTasks tasks;
  std::vector<std::string> seen;  // window thread only

  // Delivered: the work runs beside the window, what it posts and its result come back on the
  // window thread, in order, and its thread is joined.
  auto receiver = std::make_unique<QObject>();
  QThread* workThread = nullptr;
  tasks.Run(
      receiver.get(),
      [&workThread, &seen, windowThread](const Poster& post) {
        workThread = QThread::currentThread();
        post([&seen, windowThread] {
          seen.push_back(QThread::currentThread() == windowThread ? "posted" : "posted elsewhere");
        });
        return std::string("result");
      },
      [&seen, windowThread](const std::string& result) {
        seen.push_back(QThread::currentThread() == windowThread ? result : "result elsewhere");
      });
  ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 2; }, 5000));
  EXPECT_NE(workThread, windowThread);
  EXPECT_EQ(seen, (std::vector<std::string>{"posted", "result"}));
  EXPECT_EQ(tasks.Working(), 0u);

  // The receiver is destroyed while the work waits: nothing is handed to it, and the thread is
  // joined once the work ends.
  std::promise<void> gate;
  std::shared_future<void> opened = gate.get_future().share();
  std::atomic<bool> finished{false};
  tasks.Run(
      receiver.get(),
      [opened, &finished, &seen](const Poster& post) {
        opened.wait();
        post([&seen] { seen.push_back("posted to a receiver that is gone"); });
        finished = true;
      },
      [&seen] { seen.push_back("result to a receiver that is gone"); });
  receiver.reset();
  gate.set_value();
  ASSERT_TRUE(QTest::qWaitFor([&] { return tasks.Working() == 0; }, 5000));
  EXPECT_TRUE(finished);
  QTest::qWait(50);  // anything still queued would arrive now
  EXPECT_EQ(seen.size(), 2u);

  // Work still going when its owner ends is waited for, never left running.
  std::atomic<bool> ended{false};
  {
    BackgroundTasks closing;
    QObject window;
    closing.Run(
        &window,
        [&ended] {
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
          ended = true;
        },
        [] {});
  }
  EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace pelvane::shell
