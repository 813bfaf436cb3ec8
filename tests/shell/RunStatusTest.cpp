// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>
#include <QClipboard>
#include <QTableWidget>
#include <thread>

#include "shell/GuiRunHost.h"
#include "shell/VeskDialogFixture.h"

namespace pelvane::shell {
namespace {

/// Runs one statement on a stand-in server as the fixture's login, in its database or, with
/// none named, in the login's default one (where the Simple Script query runs).
void Execute(RunFixture& f, const std::string& server, const std::string& sql,
             const std::string& database = "pubs") {
  Result<engine::QueryResult> done = f.sql.RunQuery({server, "sa", "Secret1", database}, sql, 30);
  ASSERT_TRUE(done) << sql << ": " << done.status().message();
}

Lines Headings(const QWidget* board) {
  const QAbstractItemModel& grid = *Control<QTableView>(board, "grdRunStatus")->model();
  Lines headings;
  for (int c = 0; c < grid.columnCount(); ++c)
    headings.push_back(grid.headerData(c, Qt::Horizontal).toString().toStdString());
  return headings;
}

std::string Summary(const RunStatusWindow* status) {
  return Control<QLabel>(status, "lblRunSummary")->text().toStdString();
}

TEST(RunStatusTest, TheBoardShowsEveryServersStepsAndReRunsTheFailed) {
  RunFixture f;
  // In list order: one that works, one without the table, one that refuses the login.
  Execute(f, f.servers[0], "CREATE TABLE orders (item varchar(20))");
  f.Set(f.servers[2], "Password", settings::ScramblePassword("wrong", settings::PasswordKey));
  pelvane::testing::WriteBytes(f.dir.File("query.sql"), "SELECT item FROM orders\nGO\n");
  f.Box("txtSQLScript")
      ->setPlainText(
          QString::fromStdString(f.dir.File("check.sql") + "\n" + f.dir.File("query.sql")));

  f.Button()->click();
  RunStatusWindow* status = f.dialog->StatusWindow();
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->isVisible());
  auto* rerun = Control<QPushButton>(*status, "cmdRerunFailed");
  EXPECT_FALSE(rerun->isEnabled());  // not while the run works
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);

  const Lines headings{"Server", "Result", "Login", "check.sql", "query.sql", "Seconds"};
  EXPECT_EQ(Headings(status), headings);
  // Rows in list order.
  const Lines rows[] = {{f.servers[0], "SUCCESSFUL", "accepted", "SUCCESSFUL", "SUCCESSFUL"},
                        {f.servers[1], "UNSUCCESSFUL", "accepted", "SUCCESSFUL", "UNSUCCESSFUL"},
                        {f.servers[2], "UNSUCCESSFUL", "refused", "UNSUCCESSFUL", "UNSUCCESSFUL"}};
  const QAbstractItemModel& grid = *Control<QTableView>(*status, "grdRunStatus")->model();
  ASSERT_EQ(grid.rowCount(), 3);
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column <= 4; ++column)
      EXPECT_EQ(Cell(status, row, column), rows[row][column]) << row << "," << column;
  EXPECT_EQ(Cell(status, 1, 4, Qt::ToolTipRole),
            "Msg 208, Level 16: Invalid object name 'orders'.");
  EXPECT_EQ(Summary(status).rfind("1 succeeded, 2 failed, 0 not run in ", 0), 0u);

  // Fixed, the failed servers are run again at once, exactly they, with the run's scripts even
  // when the box has changed since.
  const Lines failed{f.servers[1], f.servers[2]};
  for (const std::string& server : failed)
    Execute(f, server, "CREATE TABLE orders (item varchar(20))");
  f.Set(f.servers[2], "Password", settings::ScramblePassword("Secret1", settings::PasswordKey));
  f.Set("Errors", "ParallelServers", "2");  // rows filled from two threads at once
  f.Box("txtSQLScript")->setPlainText("/s/other.sql");
  EXPECT_TRUE(rerun->isEnabled());
  rerun->click();
  EXPECT_TRUE(f.dialog->IsRunning());
  EXPECT_EQ(Entries(Control<QListWidget>(*f.dialog, "lstVeskServers")), failed);
  EXPECT_EQ(Entries(Control<QListWidget>(*f.dialog, "lstServerList")), Lines{f.servers[0]});
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  EXPECT_EQ(f.dialog->StatusWindow(), status);  // the board is reused
  EXPECT_EQ(Headings(status), headings);
  EXPECT_EQ(grid.rowCount(), 2);
  EXPECT_EQ(Summary(status).rfind("2 succeeded, 0 failed, 0 not run in ", 0), 0u);
  EXPECT_FALSE(rerun->isEnabled());
  EXPECT_EQ(f.prompter.unscripted, 0);
}

// How results merge and what a CSV holds are MergedGrid's; here the window's part of it.
TEST(RunStatusTest, SimpleScriptResultsMergeIntoOneGridToCopyAndExport) {
  RunFixture f;
  const Lines inserts[] = {{"'bolt', 5", "'nut', 12"}, {"'washer', 7"}, {"'gear', 30"}};
  for (size_t i = 0; i < 3; ++i) {
    Execute(f, f.servers[i], "CREATE TABLE items (name varchar(20), qty int)", "");
    for (const std::string& values : inserts[i])
      Execute(f, f.servers[i], "INSERT INTO items VALUES (" + values + ")", "");
  }
  f.host.simpleScript = true;
  f.host.simpleScriptText = "SELECT * FROM items";
  f.RunToTheEnd();
  MergedResultsWindow* results = f.dialog->ResultsWindow();
  ASSERT_NE(results, nullptr);
  EXPECT_TRUE(results->isVisible());
  EXPECT_EQ(f.Count(": Simple Script Results"), 3u) << f.Log();  // each server's own table

  // Sorted by quantity as numbers (30, 12, 7, 5), the copy and the export follow the grid.
  const std::string &s0 = f.servers[0], &s1 = f.servers[1], &s2 = f.servers[2];
  Control<QTableWidget>(*results, "grdMergedResults")->sortByColumn(2, Qt::DescendingOrder);
  Control<QPushButton>(*results, "cmdCopyResults")->click();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "Server\tname\tqty\n" + s2 + "\tgear\t30\n" + s0 + "\tnut\t12\n" + s1 +
                "\twasher\t7\n" + s0 + "\tbolt\t5\n");
  const std::string csv = f.dir.File("merged.csv");
  f.prompter.saveFiles = {csv, f.dir.File("no-such-folder/merged.csv")};
  auto* exportCsv = Control<QPushButton>(*results, "cmdExportCsv");
  exportCsv->click();
  EXPECT_EQ(
      pelvane::testing::ReadBytes(csv).rfind("Server,name,qty\r\n\"" + s2 + "\",gear,30\r\n", 0),
      0u);  // the sorted grid's first row, quoted for the server's comma
  const size_t boxes = f.prompter.asked.size();
  exportCsv->click();  // a folder that does not exist: said, not lost
  ASSERT_EQ(f.prompter.asked.size(), boxes + 1);
  EXPECT_EQ(f.prompter.asked.back().icon, engine::MessageIcon::kCritical);
  f.RunToTheEnd();  // the next run's grid replaces this one
  EXPECT_EQ(f.dialog->ResultsWindow(), results);
  EXPECT_EQ(results->findChildren<QTableWidget*>().size(), 1);
  EXPECT_EQ(f.prompter.unscripted, 0);
}

// The run's questions and marks are served on the window thread, the log shown up to a question.
TEST(GuiRunHostTest, QuestionsAndMarksFromTheRunsThreadAreServedOnTheWindowThread) {
  const std::thread::id window = std::this_thread::get_id();
  ScriptedPrompter prompter;
  prompter.answers = {engine::Answer::kYes};
  std::vector<std::vector<int>> marked;
  std::vector<int> single;
  bool flushedOnWindow = false;
  RunWindowActions all, onlyOne;
  all.flushLog = [&] { flushedOnWindow = std::this_thread::get_id() == window; };
  all.showServers = [&](const std::vector<int>& positions) { marked.push_back(positions); };
  onlyOne.showServer = [&](int position) { single.push_back(position); };
  RunWorker worker([] {});
  GuiRunHost host(worker, prompter, all), older(worker, prompter, onlyOne);
  engine::Answer answer = engine::Answer::kNo;
  worker.Start([&] {
    answer = host.AskYesNo("Continue other tasks?", "Pelvane");
    for (GuiRunHost* h : {&host, &older}) {
      h->ShowServersInProgress({2, 3, 5});
      h->ShowServersInProgress({});
    }
  });
  ASSERT_TRUE(QTest::qWaitFor([&worker] { return worker.Serve(); }, 5000));
  EXPECT_EQ(answer, engine::Answer::kYes);
  EXPECT_TRUE(flushedOnWindow);
  EXPECT_EQ(marked, (std::vector<std::vector<int>>{{2, 3, 5}, {}}));
  EXPECT_EQ(single, (std::vector<int>{2, 0}));  // a window that marks one shows the first
}

}  // namespace
}  // namespace pelvane::shell
