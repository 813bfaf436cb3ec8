// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "shell/VeskDialogFixture.h"
#include "tools/ConfigServersDialog.h"

namespace pelvane::shell {
namespace {

TEST(VeskSqlDialogTest, MovesAndConfigureServersKeepEveryServerInOneListOnce) {
  ShellFixture f;
  settings::ServerRegistry registry(f.store);
  for (auto [server, group] :
       {std::pair{"P2", "PROD"}, {"T1", "test"}, {"P1", "prod"}, {"P3", "PROD"}})
    ASSERT_TRUE(registry.AddServer(server, group));
  FakeHost host;
  VeskSqlDialog dialog(f.context, host);
  auto* groups = Control<QComboBox>(dialog, "cmbServerGroup");
  auto* available = Control<QListWidget>(dialog, "lstServerList");
  auto* process = Control<QListWidget>(dialog, "lstVeskServers");
  auto choose = [groups](const char* group) {  // as the user does
    groups->setCurrentText(group);
    Q_EMIT groups->activated(groups->currentIndex());
  };
  struct Step {
    const char* what;
    const char* group;  // chosen first, when given
    QListWidget* from;  // where the selection is made, when given
    Lines selected;
    const char* button;
    Lines available, process;
  };
  const Step steps[] = {
      {"a group", "PROD", nullptr, {}, nullptr, {"P1", "P2", "P3"}, {}},
      {"add", nullptr, available, {"P3", "P1"}, "cmdAddVar", {"P2"}, {"P1", "P3"}},
      {"add all shown", nullptr, nullptr, {}, "cmdAddAllVars", {}, {"P1", "P2", "P3"}},
      {"ALL: the others", "ALL", nullptr, {}, nullptr, {"T1"}, {"P1", "P2", "P3"}},
      {"remove", nullptr, process, {"P3", "P1"}, "cmdRemoveVar", {"P1", "P3", "T1"}, {"P2"}},
      {"remove all", "TEST", nullptr, {}, "cmdRemoveAllVars", {"P2", "T1"}, {}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    if (step.group != nullptr) choose(step.group);
    if (step.from != nullptr) Select(step.from, step.selected);
    if (step.button != nullptr) Control<QToolButton>(dialog, step.button)->click();
    EXPECT_EQ(Entries(available), step.available);
    EXPECT_EQ(Entries(process), step.process);
  }

  // Configure Servers reaches both lists: a server of a new group added, a queued one removed.
  choose("ALL");
  Select(available, {"P1", "P2"});
  Control<QToolButton>(dialog, "cmdAddVar")->click();
  tools::ConfigServersDialog config(f.context);
  Control<QLineEdit>(config, "txtServerName")->setText("N1");
  Control<QLineEdit>(config, "txtServerGroup")->setText("new");
  Control<QPushButton>(config, "cmdAddServer")->click();
  auto* servers = Control<QListWidget>(config, "lstServers");
  servers->setCurrentItem(servers->findItems("P2", Qt::MatchExactly).value(0));
  Control<QPushButton>(config, "cmdRemoveServer")->click();
  EXPECT_EQ(groups->count(), 4);  // ALL and the registry's groups
  EXPECT_EQ(Entries(available), (Lines{"N1", "P3", "T1"}));
  EXPECT_EQ(Entries(process), Lines{"P1"});
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->objectName() == "frmSQLLogin") window->close();  // opened for the new server
}

TEST(VeskSqlDialogTest, InputsAreStoredOnCloseAndComeBack) {
  ShellFixture f;
  FakeHost host;
  host.state = &f.state;
  auto box = [](QWidget& dialog, const char* name) { return Control<QCheckBox>(dialog, name); };
  {
    VeskSqlDialog dialog(f.context, host);
    Control<QPlainTextEdit>(dialog, "txtSQLScript")->setPlainText("/s/one.sql\n/s/two.sql");
    Control<QPlainTextEdit>(dialog, "txtCopyFileTo")->setPlainText("/c/a\tb.txt");
    box(dialog, "chkCopyFile")->click();
    box(dialog, "chkOverwriteFile")->click();
    box(dialog, "chkCopyFile")->click();  // off takes Overwrite with it, stored at once
    EXPECT_FALSE(box(dialog, "chkOverwriteFile")->isChecked());
    EXPECT_EQ(f.Get("Pelvane", "OverwriteFile"), "0");
    for (const char* name : {"chkCopyFile", "chkAppendText", "chkRestartServices"})
      box(dialog, name)->click();
    EXPECT_TRUE(host.appendTextOpen);
    host.simpleScript = true;
    dialog.close();
  }
  EXPECT_EQ(host.closed, 1);
  EXPECT_FALSE(host.appendTextOpen);
  EXPECT_EQ(f.Get("Script", "ScriptPath"), "/s/one.sqlvbChr13vbChr10/s/two.sql");
  EXPECT_EQ(f.Get("CopyTo", "CopyFile"), "/c/avbChr9b.txt");
  EXPECT_EQ(f.Get("SimpleScript", "OpenScript"), "1");

  FakeHost again;
  VeskSqlDialog dialog(f.context, again);
  EXPECT_EQ(BoxText(*Control<QPlainTextEdit>(dialog, "txtSQLScript")), "/s/one.sql\r\n/s/two.sql");
  EXPECT_EQ(BoxText(*Control<QPlainTextEdit>(dialog, "txtCopyFileTo")), "/c/a\tb.txt");
  for (auto [name, checked] :
       {std::pair{"chkCopyFile", true}, {"chkOverwriteFile", false}, {"chkRestartServices", true}})
    EXPECT_EQ(box(dialog, name)->isChecked(), checked) << name;
  EXPECT_TRUE(again.appendTextOpen);
  EXPECT_TRUE(again.simpleScript);
  EXPECT_EQ(again.opened, 1);
}

TEST(VeskSqlDialogRunTest, ARealRunKeepsTheWindowAliveAndLinesAddedBesideJoinItsLogWhole) {
  RunFixture f(20);
  testing::Heartbeat heartbeat(5);
  // As the main window adds a remote time it could not read while the run writes its lines.
  Lines added;
  QTimer beside;
  beside.callOnTimeout([&] {
    if (!f.dialog->IsRunning()) return;
    added.push_back("Beside the run, line " + std::to_string(added.size()) + ".");
    f.dialog->AppendLog(added.back() + "\r\n");
  });
  beside.start(1);
  f.Button()->click();
  EXPECT_TRUE(f.dialog->IsRunning());
  EXPECT_EQ(f.Button()->text(), "Stop");
  EXPECT_FALSE(f.Box("txtSQLScript")->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  beside.stop();
  EXPECT_GT(heartbeat.ticks, 0);  // the window thread kept turning while the run worked
  EXPECT_EQ(f.Count("--> SUCCESSFUL."), 3u) << f.Log();
  EXPECT_EQ(f.Button()->text(), "Vesk SQL");
  EXPECT_TRUE(f.Box("txtSQLScript")->isEnabled());
  EXPECT_EQ(f.host.runStates, (std::vector<bool>{true, false}));
  EXPECT_EQ(f.prompter.unscripted, 0);
  ASSERT_GT(added.size(), 3u);
  for (const std::string& line : added) EXPECT_EQ(f.Count(line + "\n"), 1u) << line;
  // The log file holds the log as the window showed it when the run saved it: whole lines, and
  // the lines added after the save follow in the window only.
  std::string saved = pelvane::testing::ReadBytes(f.state.FixedLogFile);
  saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
  ASSERT_GE(saved.size(), 1u);
  saved.pop_back();  // the blank line after each run's log
  EXPECT_EQ(f.Log().rfind(saved, 0), 0u) << saved;
  for (const std::string& server : f.servers) {
    EXPECT_EQ(f.Count(server + ": Process complete.\n"), 1u) << f.Log();
    EXPECT_NE(saved.find(server + ": Process complete.\n"), std::string::npos) << saved;
  }
}

TEST(VeskSqlDialogRunTest, LinesOfARunThatEndedEarlyReachTheLogFileWhenTheDialogGoes) {
  for (bool closed : {true, false}) {
    SCOPED_TRACE(closed ? "closed" : "program ended");
    RunFixture f;
    f.Set("Pelvane", "RefreshLogWindow", "0");
    f.Set("Pelvane", "QAPath", f.dir.File("nowhere"));  // the run ends after the first server
    f.RunToTheEnd();
    EXPECT_EQ(f.Log(), "");  // kept for the next completed run
    EXPECT_FALSE(std::filesystem::exists(f.state.FixedLogFile));
    if (closed) {
      f.dialog->close();
      EXPECT_EQ(f.host.closed, 1);
    } else {
      f.dialog.reset();
    }
    const std::string saved = pelvane::testing::ReadBytes(f.state.FixedLogFile);
    EXPECT_NE(saved.find(" Microsoft Query Analyzer Not Installed "), std::string::npos) << saved;
  }
}

// Stop ends the run after the server in progress and may be continued; Stop Now ends its script
// too; closing asks and closes after the server in progress. The keys work wherever the focus
// is in the dialog, and Shift+F5 on the board beside it.
TEST(VeskSqlDialogRunTest, StopsAndClosingDuringARun) {
  RunFixture f(200);
  const std::string script = f.dir.File("check.sql");
  std::string slow;  // slow enough that a stop lands while the first server works on it
  for (int i = 0; i < 40; ++i) slow += "SELECT 1 AS one\nGO\n";
  auto board = [&f] { return static_cast<QWidget*>(f.dialog->StatusWindow()); };
  enum Kind { kStop, kStopNow, kClose };
  struct Case {
    const char* what;
    Kind kind;
    std::function<void()> press;
  };
  const Case cases[] = {
      {"Stop, F5 in the log box", kStop,
       [&] { QTest::keyClick(f.Box("txtErrorMessages"), Qt::Key_F5); }},
      {"Stop Now, Shift+F5 on the board", kStopNow,
       [&] {
         QTest::keyClick(Control<QWidget>(board(), "grdRunStatus"), Qt::Key_F5, Qt::ShiftModifier);
       }},
      {"closing: No goes on, Yes stops", kClose,
       [&] {
         f.prompter.answers = {engine::Answer::kNo, engine::Answer::kYes};
         EXPECT_FALSE(f.dialog->close());
         EXPECT_TRUE(f.dialog->IsRunning());
         f.dialog->close();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pelvane::testing::WriteBytes(script, slow);
    f.Open();
    const int closed = f.host.closed;
    f.dialog->show();
    f.dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.dialog.get()));
    QTest::keyClick(f.Box("txtSQLScript"), Qt::Key_Return, Qt::ControlModifier);  // runs
    ASSERT_TRUE(f.dialog->IsRunning());
    QTRY_VERIFY_WITH_TIMEOUT(Cell(board(), 0, 1) == "RUNNING", 30000);
    QWidget* where = c.kind == kStopNow ? board() : f.dialog.get();
    where->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == where);
    f.Box("txtErrorMessages")->setFocus();
    c.press();
    if (c.kind == kClose) {
      QTRY_VERIFY_WITH_TIMEOUT(f.host.closed == closed + 1, 60000);
      EXPECT_FALSE(f.dialog->IsRunning());
      EXPECT_EQ(f.Get("Script", "ScriptPath"), script);
      continue;
    }
    const bool now = c.kind == kStopNow;
    EXPECT_EQ(f.Button()->text(), "Stopping...");
    EXPECT_FALSE(f.Button()->isEnabled());
    if (!now) {  // the server in progress goes on, and its time with it
      EXPECT_EQ(Cell(board(), 0, 1), "RUNNING");
      QTRY_VERIFY_WITH_TIMEOUT(Cell(board(), 0, 4) != "0.0", 30000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
    EXPECT_TRUE(f.Button()->isEnabled());
    EXPECT_EQ(f.Count(f.servers[1]), 0u) << f.Log();  // nothing after the stop ran
    EXPECT_EQ(f.Count("check.sql on Server: " + f.servers[0] + " was stopped by the user."),
              now ? 1u : 0u)
        << f.Log();
    EXPECT_EQ(f.Count(now ? "--> UNSUCCESSFUL." : "--> SUCCESSFUL."), 1u) << f.Log();
    EXPECT_EQ(Cell(board(), 0, 1), now ? "UNSUCCESSFUL" : "SUCCESSFUL");
    EXPECT_EQ(f.Button()->text(), now ? "Vesk SQL" : "Continue ...");
    if (now) continue;

    // With the same inputs (a browse given up sets the same script) it goes on from the second.
    pelvane::testing::WriteBytes(script, "SELECT 1 AS one\nGO\n");
    f.Box("txtSQLScript")->setPlainText(QString::fromStdString(script));
    EXPECT_EQ(f.Button()->text(), "Continue ...");
    f.RunToTheEnd();
    EXPECT_EQ(f.Count(f.servers[0]), 0u) << f.Log();
    for (size_t i : {1, 2}) EXPECT_EQ(f.Count(f.servers[i] + ": Process complete."), 1u);
    EXPECT_EQ(f.Button()->text(), "Vesk SQL");
  }
}

}  // namespace
}  // namespace pelvane::shell
