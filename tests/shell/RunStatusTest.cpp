// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QLabel>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/MergedGrid.h"
#include "shell/GuiRunHost.h"
#include "shell/MainWindow.h"
#include "shell/MergedResultsWindow.h"
#include "shell/RunStatusWindow.h"
#include "shell/SimpleScriptWindow.h"
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

QString Cell(const QAbstractItemModel& model, int row, int column, int role = Qt::DisplayRole) {
  return model.index(row, column).data(role).toString();
}

Lines Headings(const QAbstractItemModel& model) {
  Lines headings;
  for (int c = 0; c < model.columnCount(); ++c)
    headings.push_back(model.headerData(c, Qt::Horizontal).toString().toStdString());
  return headings;
}

void RunToTheEnd(RunFixture& f) {
  f.Button()->click();
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
}

std::string Summary(const RunStatusWindow& status) {
  return Control<QLabel>(status, "lblRunSummary")->text().toStdString();
}

TEST(RunStatusTest, TheBoardShowsEveryServersStepsAndReRunsTheFailed) {
  RunFixture f;
  const std::string good = f.standin.server(0), missing = f.standin.server(1),
                    refused = f.standin.server(2);
  Execute(f, good, "CREATE TABLE orders (item varchar(20))");
  f.Set(refused, "Password", settings::ScramblePassword("wrong", settings::PasswordKey));
  pelvane::testing::WriteBytes(f.dir.File("query.sql"), "SELECT item FROM orders\nGO\n");
  Control<QPlainTextEdit>(*f.dialog, "txtSQLScript")
      ->setPlainText(
          QString::fromStdString(f.dir.File("check.sql") + "\n" + f.dir.File("query.sql")));

  f.Button()->click();
  RunStatusWindow* status = f.dialog->StatusWindow();
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->isVisible());
  auto* rerun = Control<QPushButton>(*status, "cmdRerunFailed");
  EXPECT_FALSE(rerun->isEnabled());  // not while the run works
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  ExpectAccessibleNames(*status);

  auto* view = Control<QTableView>(*status, "grdRunStatus");
  const QAbstractItemModel& grid = *view->model();
  EXPECT_EQ(Headings(grid),
            (Lines{"Server", "Result", "Login", "check.sql", "query.sql", "Seconds"}));
  struct Expected {
    std::string server;
    Lines cells;  // Result, Login, check.sql, query.sql
  };
  const Expected expected[] = {
      {good, {"SUCCESSFUL", "accepted", "SUCCESSFUL", "SUCCESSFUL"}},
      {missing, {"UNSUCCESSFUL", "accepted", "SUCCESSFUL", "UNSUCCESSFUL"}},
      {refused, {"UNSUCCESSFUL", "refused", "UNSUCCESSFUL", "UNSUCCESSFUL"}},
  };
  auto rowOf = [&f](const std::string& server) {
    return static_cast<int>(std::find(f.servers.begin(), f.servers.end(), server) -
                            f.servers.begin());
  };
  ASSERT_EQ(grid.rowCount(), 3);
  for (const Expected& want : expected) {
    SCOPED_TRACE(want.server);
    const int row = rowOf(want.server);
    EXPECT_EQ(Cell(grid, row, 0).toStdString(), want.server);
    for (size_t c = 0; c < want.cells.size(); ++c) {
      const int column = static_cast<int>(c) + 1;
      EXPECT_EQ(Cell(grid, row, column).toStdString(), want.cells[c]) << column;
      const QColor colour =
          grid.index(row, column).data(Qt::BackgroundRole).value<QBrush>().color();
      const bool success = want.cells[c] == "SUCCESSFUL" || want.cells[c] == "accepted";
      EXPECT_EQ(success, colour.green() > colour.red()) << column;
    }
  }
  EXPECT_EQ(Cell(grid, rowOf(missing), 4, Qt::ToolTipRole),
            "Msg 208, Level 16: Invalid object name 'orders'.");
  EXPECT_EQ(Summary(*status).rfind("1 succeeded, 2 failed, 0 not run in ", 0), 0u);
  EXPECT_GT(status->Report().seconds, 0.0);
  view->sortByColumn(1, Qt::AscendingOrder);  // by result: the one success first
  EXPECT_EQ(Cell(grid, 0, 0).toStdString(), good);

  // Fixed, the failed servers are run again at once, exactly they, with the run's scripts even
  // when the box has changed since.
  Lines failed{missing, refused};
  std::sort(failed.begin(), failed.end());
  for (const std::string& server : failed)
    Execute(f, server, "CREATE TABLE orders (item varchar(20))");
  f.Set(refused, "Password", settings::ScramblePassword("Secret1", settings::PasswordKey));
  f.Set("Errors", "ParallelServers", "2");  // rows filled from two threads at once
  Control<QPlainTextEdit>(*f.dialog, "txtSQLScript")->setPlainText("/s/other.sql");
  EXPECT_TRUE(rerun->isEnabled());
  rerun->click();
  EXPECT_TRUE(f.dialog->IsRunning());
  EXPECT_EQ(Entries(Control<QListWidget>(*f.dialog, "lstVeskServers")), failed);
  EXPECT_EQ(Entries(Control<QListWidget>(*f.dialog, "lstServerList")), Lines{good});
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  EXPECT_EQ(f.dialog->StatusWindow(), status);  // the board is reused
  EXPECT_EQ(Headings(grid),
            (Lines{"Server", "Result", "Login", "check.sql", "query.sql", "Seconds"}));
  EXPECT_EQ(grid.rowCount(), 2);
  EXPECT_EQ(Summary(*status).rfind("2 succeeded, 0 failed, 0 not run in ", 0), 0u);
  EXPECT_FALSE(rerun->isEnabled());
  EXPECT_EQ(f.prompter.unscripted, 0);
}

TEST(RunStatusTest, SimpleScriptResultsMergeIntoOneGridToCopyAndExport) {
  RunFixture f;
  // The first two servers' tables have the same columns, the third's differ.
  const char* const tables[] = {"(name varchar(20), qty int)", "(name varchar(20), qty int)",
                                "(name varchar(20), price int)"};
  const Lines inserts[] = {{"'bolt', 5", "'nut', 12"}, {"'washer', 7"}, {"'gear', 30"}};
  for (size_t i = 0; i < 3; ++i) {
    Execute(f, f.servers[i], std::string("CREATE TABLE items ") + tables[i], "");
    for (const std::string& values : inserts[i])
      Execute(f, f.servers[i], "INSERT INTO items VALUES (" + values + ")", "");
  }
  f.host.simpleScript = true;
  f.host.simpleScriptText = "SELECT * FROM items";
  RunToTheEnd(f);
  MergedResultsWindow* results = f.dialog->ResultsWindow();
  ASSERT_NE(results, nullptr);
  EXPECT_TRUE(results->isVisible());
  ExpectAccessibleNames(*results);
  // The log still has each server's own table.
  EXPECT_EQ(f.Count(": Simple Script Results"), 3u) << f.Log();

  const std::string &s0 = f.servers[0], &s1 = f.servers[1], &s2 = f.servers[2];
  auto* first = Control<QTableWidget>(*results, "grdMergedResults");
  ASSERT_NE(first, nullptr) << f.Log();
  Lines shown;  // in list order until sorted
  for (int r = 0; r < first->rowCount(); ++r)
    shown.push_back(first->item(r, 0)->text().toStdString() + " " +
                    first->item(r, 1)->text().toStdString());
  EXPECT_EQ(shown, (Lines{s0 + " bolt", s0 + " nut", s1 + " washer"}));
  EXPECT_EQ(Control<QLabel>(*results, "lblSectionNote2")->text().toStdString(),
            "The columns of " + s2 + " differ from those of " + s0 + ".");
  first->sortByColumn(2, Qt::DescendingOrder);  // quantities as numbers: 12, 7, 5
  const std::string copied = "Server\tname\tqty\n" + s0 + "\tnut\t12\n" + s1 + "\twasher\t7\n" +
                             s0 + "\tbolt\t5\n\nServer\tname\tprice\n" + s2 + "\tgear\t30\n";
  Control<QPushButton>(*results, "cmdCopyResults")->click();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), copied);

  const std::string csv = f.dir.File("merged.csv");
  // A link at the chosen name is replaced by the export, never followed to its target.
  pelvane::testing::WriteBytes(f.dir.File("victim.txt"), "keep");
  std::filesystem::create_symlink(f.dir.File("victim.txt"), csv);
  f.prompter.saveFiles = {csv, f.dir.File("no-such-folder/merged.csv")};
  auto* exportCsv = Control<QPushButton>(*results, "cmdExportCsv");
  exportCsv->click();
  auto quoted = [](const std::string& server) { return "\"" + server + "\""; };  // it holds a comma
  EXPECT_EQ(pelvane::testing::ReadBytes(csv),
            "Server,name,qty\r\n" + quoted(s0) + ",nut,12\r\n" + quoted(s1) + ",washer,7\r\n" +
                quoted(s0) + ",bolt,5\r\n\r\nServer,name,price\r\n" + quoted(s2) + ",gear,30\r\n");
  EXPECT_EQ(pelvane::testing::ReadBytes(f.dir.File("victim.txt")), "keep");
  const size_t boxes = f.prompter.asked.size();
  exportCsv->click();  // a folder that does not exist: said, not lost
  ASSERT_EQ(f.prompter.asked.size(), boxes + 1);
  EXPECT_EQ(f.prompter.asked.back().icon, engine::MessageIcon::kCritical);
  EXPECT_NE(f.prompter.asked.back().text.find("no-such-folder"), std::string::npos);
  RunToTheEnd(f);  // the next run's grid replaces this one
  EXPECT_EQ(f.dialog->ResultsWindow(), results);
  EXPECT_EQ(results->findChildren<QTableWidget*>().size(), 2);
  EXPECT_EQ(f.prompter.unscripted, 0);
}

TEST(RunStatusTest, TheRunsWindowsComeInFrontOnTheDialogsScreenAndBackFromTheWindowMenu) {
  RunFixture f;
  f.dialog.reset();
  MainWindow window(f.context);
  window.show();  // at its designed place, which runs past the right edge of the test screen
  Action(window, "mnPelvane")->trigger();
  VeskSqlDialog* dialog = window.veskDialog();
  ASSERT_NE(dialog, nullptr);
  Control<QToolButton>(*dialog, "cmdAddAllVars")->click();
  Action(window, "mnSimpleScript")->trigger();
  Control<QPlainTextEdit>(window.simpleScriptWindow(), "txtSimpleScript")
      ->setPlainText("SELECT 1 AS one");
  Control<QPushButton>(*dialog, "cmdPelvane")->click();
  QTRY_VERIFY_WITH_TIMEOUT(!dialog->IsRunning(), 60000);

  const QRect screen = dialog->screen()->availableGeometry();
  QWidget* board = dialog->StatusWindow();
  QWidget* results = dialog->ResultsWindow();
  ASSERT_TRUE(board && results);
  // The results of a Simple Script run in front, over the main window the run's end restored.
  QTRY_COMPARE(QApplication::activeWindow(), results);
  for (auto [shown, item] : {std::pair{board, "mnRunStatus"}, {results, "mnSimpleScriptResults"}}) {
    SCOPED_TRACE(item);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(screen.contains(shown->frameGeometry())) << shown->frameGeometry().x();
    shown->close();
    ASSERT_NE(Action(window, item), nullptr);
    Action(window, item)->trigger();
    EXPECT_TRUE(shown->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), shown);
  }
  EXPECT_EQ(f.prompter.unscripted, 0);
}

TEST(RunStatusTest, EveryServerInProgressIsMarkedFromTheRunsThread) {
  ScriptedPrompter prompter;
  QObject window;
  std::vector<std::vector<int>> marked;
  std::vector<int> single;
  RunWindowActions all;
  all.showServers = [&](const std::vector<int>& positions) { marked.push_back(positions); };
  RunWindowActions onlyOne;
  onlyOne.showServer = [&](int position) { single.push_back(position); };
  GuiRunHost host(window, prompter, all), older(window, prompter, onlyOne);
  std::thread run([&] {
    for (GuiRunHost* h : {&host, &older}) {
      h->ShowServersInProgress({2, 3, 5});
      h->ShowServersInProgress({});
    }
  });
  run.join();  // the run never waits for the window
  QTRY_COMPARE(marked.size() + single.size(), size_t{4});
  EXPECT_EQ(marked, (std::vector<std::vector<int>>{{2, 3, 5}, {}}));
  EXPECT_EQ(single, (std::vector<int>{2, 0}));  // a window that marks one shows the first
}

}  // namespace
}  // namespace pelvane::shell
