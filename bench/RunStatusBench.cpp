// SPDX-License-Identifier: GPL-3.0-or-later
// The run status board under a run over 1,000 servers: a worker thread feeds a ReportRecorder
// as fast as it can (each server: started, login, two scripts, finished) while the board shows
// it, offscreen. Reports the total time and the longest time the window thread did not get to
// turn its event loop (measured by a 5 ms timer).
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/ReportRecorder.h"
#include "shell/RunStatusWindow.h"

namespace {

using namespace pelvane;

constexpr int kServers = 1000;

/// One server as a run reports it; every third server's second script fails.
void FeedServer(engine::ReportRecorder& recorder, int position) {
  recorder.ServerStarted(position);
  recorder.LoginChecked(position, engine::LoginResult::kAccepted, "");
  engine::ScriptCell ok{engine::Verdict::kSucceeded, 0, 0, "", 0.01};
  recorder.ScriptDone(position, 0, ok);
  engine::ScriptCell second = ok;
  if (position % 3 == 0)
    second = {engine::Verdict::kFailed, 208, 16, "Invalid object name 'orders'.", 0.02};
  recorder.ScriptDone(position, 1, second);
  recorder.ServerFinished(position, 0.05);
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  if (app.arguments().contains("--help")) {
    std::cout << "usage: run_status_bench\n\nFeeds the run status board a 1,000-server run from a "
                 "worker thread, offscreen,\nand prints the longest stall of the window thread.\n";
    return 0;
  }
  shell::RunStatusWindow board;
  board.resize(900, 600);
  board.show();

  engine::ReportColumns columns;
  columns.scripts = {"/scripts/first.sql", "/scripts/second.sql"};
  std::vector<std::string> servers;
  for (int i = 1; i <= kServers; ++i) servers.push_back("SQL" + std::to_string(100000 + i));

  QElapsedTimer sinceTick;
  qint64 longestStall = 0;
  QTimer heartbeat;
  heartbeat.setTimerType(Qt::PreciseTimer);
  heartbeat.callOnTimeout([&] { longestStall = std::max(longestStall, sinceTick.restart()); });
  sinceTick.start();
  heartbeat.start(5);
  QTest::qWait(500);
  const qint64 idleStall = std::exchange(longestStall, 0);

  // Flat out, then paced (a server every 0.5 ms) so that many refreshes meet a changing grid.
  bool allRows = true;
  for (int pauseUs : {0, 500}) {
    engine::ReportRecorder recorder(columns, servers, 1, board.Listener());
    board.RunStarted(recorder);
    longestStall = 0;
    QElapsedTimer total;
    total.start();
    sinceTick.restart();
    std::atomic<bool> fed{false};
    std::thread worker([&] {
      for (int position = 1; position <= kServers; ++position) {
        FeedServer(recorder, position);
        if (pauseUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(pauseUs));
      }
      fed = true;
    });
    while (!fed) QTest::qWait(5);
    const qint64 feedMs = total.elapsed();
    QTest::qWait(2 * shell::RunStatusWindow::RefreshIntervalMs);  // the last refresh
    worker.join();
    recorder.SetRunSeconds(static_cast<double>(total.elapsed()) / 1000.0);
    board.RunFinished();
    const engine::RunSummary summary = engine::Summarize(board.Report());
    allRows = allRows && summary.failed + summary.succeeded == kServers;
    std::cout << "run status board (" << (pauseUs == 0 ? "flat out" : "paced") << "): " << kServers
              << " servers fed in " << feedMs << " ms, longest window-thread stall " << longestStall
              << " ms (goal: < 50; idle for 0.5 s, the longest was " << idleStall << " ms); "
              << engine::SummaryLine(summary) << '\n';
  }
  heartbeat.stop();
  return allRows ? 0 : 1;
}
