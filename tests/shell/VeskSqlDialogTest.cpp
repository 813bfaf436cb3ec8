// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "settings/PasswordScrambler.h"
#include "settings/ServerRegistry.h"
#include "shell/RunStatusWindow.h"
#include "shell/ShellFixture.h"
#include "shell/VeskDialogFixture.h"
#include "shell/VeskSqlDialog.h"
#include "support/StandinServer.h"
#include "tools/ConfigServersDialog.h"

namespace pelvane::shell {
namespace {

/// Chooses a group in the box as the user does.
void ChooseGroup(QComboBox* groups, const char* group) {
  groups->setCurrentText(group);
  Q_EMIT groups->activated(groups->currentIndex());
}

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
  EXPECT_EQ(groups->currentText(), "ALL");
  EXPECT_EQ(groups->count(), 3);
  ExpectAccessKeys(dialog);
  EXPECT_EQ(Control<QLabel>(dialog, "lblAvailableServers")->buddy(), available);
  auto click = [&dialog](const char* button) { Control<QToolButton>(dialog, button)->click(); };

  struct Step {
    const char* what;
    std::function<void()> act;
    Lines available, process;
  };
  const Step steps[] = {
      {"a group shows its servers", [&] { ChooseGroup(groups, "PROD"); }, {"P1", "P2", "P3"}, {}},
      {"Add Server(s). moves every selected server",
       [&] {
         Select(available, {"P3", "P1"});
         click("cmdAddVar");
       },
       {"P2"},
       {"P1", "P3"}},
      {"Add All Servers. moves the servers shown",
       [&] { click("cmdAddAllVars"); },
       {},
       {"P1", "P2", "P3"}},
      {"the group again offers no queued server",
       [&] {
         ChooseGroup(groups, "PROD");
         click("cmdAddAllVars");
       },
       {},
       {"P1", "P2", "P3"}},
      {"ALL offers only the others",
       [&] { ChooseGroup(groups, "ALL"); },
       {"T1"},
       {"P1", "P2", "P3"}},
      {"Remove Server(s). moves every selected server back",
       [&] {
         Select(process, {"P3", "P1"});
         click("cmdRemoveVar");
       },
       {"P1", "P3", "T1"},
       {"P2"}},
      {"Remove All Servers. moves back servers of any group",
       [&] {
         ChooseGroup(groups, "TEST");
         click("cmdRemoveAllVars");
       },
       {"P2", "T1"},
       {}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(Entries(available), step.available);
    EXPECT_EQ(Entries(process), step.process);
  }

  // Configure Servers reaches both lists: a server of a new group added, a queued one removed.
  ChooseGroup(groups, "ALL");
  Select(available, {"P1", "P2"});
  click("cmdAddVar");
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
  const std::string longPath = "/scripts/" + std::string(300, 'x') + ".sql";
  FakeHost host;
  host.state = &f.state;
  {
    VeskSqlDialog dialog(f.context, host);
    Control<QPlainTextEdit>(dialog, "txtSQLScript")
        ->setPlainText(QString::fromStdString("/s/one.sql\n" + longPath));
    Control<QPlainTextEdit>(dialog, "txtCopyFileTo")->setPlainText("/c/a\tb.txt");
    Control<QCheckBox>(dialog, "chkCopyFile")->click();
    Control<QCheckBox>(dialog, "chkOverwriteFile")->click();
    EXPECT_EQ(f.Get("Pelvane", "OverwriteFile"), "1");
    Control<QCheckBox>(dialog, "chkCopyFile")->click();  // off takes Overwrite with it
    EXPECT_FALSE(Control<QCheckBox>(dialog, "chkOverwriteFile")->isChecked());
    EXPECT_EQ(f.Get("Pelvane", "CopyFile"), "0");
    EXPECT_EQ(f.Get("Pelvane", "OverwriteFile"), "0");
    Control<QCheckBox>(dialog, "chkCopyFile")->click();
    Control<QCheckBox>(dialog, "chkAppendText")->click();
    EXPECT_TRUE(host.appendTextOpen);
    Control<QCheckBox>(dialog, "chkRestartServices")->click();
    host.simpleScript = true;
    dialog.close();
  }
  EXPECT_EQ(host.closed, 1);
  EXPECT_FALSE(host.appendTextOpen);
  EXPECT_EQ(f.Get("Script", "ScriptPath"), "/s/one.sqlvbChr13vbChr10" + longPath);
  EXPECT_EQ(f.Get("CopyTo", "CopyFile"), "/c/avbChr9b.txt");
  EXPECT_EQ(f.Get("SimpleScript", "OpenScript"), "1");
  for (const char* key : {"CopyFile", "AppendText", "RestartServices"})
    EXPECT_EQ(f.Get("Pelvane", key), "1") << key;

  FakeHost again;
  VeskSqlDialog dialog(f.context, again);
  EXPECT_EQ(BoxText(*Control<QPlainTextEdit>(dialog, "txtSQLScript")), "/s/one.sql\r\n" + longPath);
  EXPECT_EQ(BoxText(*Control<QPlainTextEdit>(dialog, "txtCopyFileTo")), "/c/a\tb.txt");
  EXPECT_TRUE(Control<QCheckBox>(dialog, "chkCopyFile")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(dialog, "chkOverwriteFile")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(dialog, "chkRestartServices")->isChecked());
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
  EXPECT_FALSE(Control<QPlainTextEdit>(*f.dialog, "txtSQLScript")->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  beside.stop();
  EXPECT_GT(heartbeat.ticks, 0);  // the window thread kept turning while the run worked
  EXPECT_EQ(f.Count("--> SUCCESSFUL."), 3u) << f.Log();
  EXPECT_EQ(f.Button()->text(), "Vesk SQL");
  EXPECT_TRUE(Control<QPlainTextEdit>(*f.dialog, "txtSQLScript")->isEnabled());
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
  for (const std::string& server : f.servers)
    EXPECT_EQ(f.Count(server + ": Process complete.\n"), 1u) << saved;
  for (const std::string& server : f.servers)
    EXPECT_NE(saved.find(server + ": Process complete.\n"), std::string::npos) << saved;
}

TEST(VeskSqlDialogRunTest, AScriptThatCannotBeReadIsNamedBeforeAnyServer) {
  RunFixture f;
  Control<QPlainTextEdit>(*f.dialog, "txtSQLScript")->setPlainText("select * from orders");
  f.Button()->click();
  EXPECT_FALSE(f.dialog->IsRunning());
  ASSERT_EQ(f.prompter.asked.size(), 1u);
  EXPECT_NE(f.prompter.asked[0].text.find("Script file select * from orders"), std::string::npos)
      << f.prompter.asked[0].text;
  EXPECT_EQ(f.Log(), "");
  EXPECT_EQ(f.dialog->StatusWindow(), nullptr);  // no server was shown as run
  EXPECT_TRUE(f.host.runStates.empty());
}

TEST(VeskSqlDialogRunTest, AQuestionIsAnsweredFromTheWindowThread) {
  RunFixture f;
  // No query tool where the run looks: it asks whether to go on with the copy step.
  f.Set("Pelvane", "QAPath", f.dir.File("nowhere"));
  pelvane::testing::WriteBytes(f.dir.File("payload.txt"), "data");
  f.Set("CopyTo", "CopyFile", f.dir.File("payload.txt"));
  f.Set("Pelvane", "CopyFile", "1");
  for (size_t i = 0; i < f.servers.size(); ++i) {
    const std::string dest = f.dir.File("dest" + std::to_string(i));
    std::filesystem::create_directory(dest);
    f.Set(f.servers[i], "CopyPath", dest);
  }
  f.Open();
  // Each server asks; Yes goes on with its copy step.
  f.prompter.answers = {engine::Answer::kYes, engine::Answer::kYes, engine::Answer::kYes};
  f.Button()->click();
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  ASSERT_EQ(f.prompter.asked.size(), 3u);
  EXPECT_NE(f.prompter.asked[0].text.find("Continue other tasks?"), std::string::npos);
  EXPECT_EQ(f.prompter.asked[0].buttons, Prompt::Buttons::kYesNo);
  EXPECT_EQ(f.prompter.unscripted, 0);
  EXPECT_EQ(f.Count(": Process complete."), 3u) << f.Log();
  EXPECT_EQ(f.Count("copied to"), 3u) << f.Log();
}

TEST(VeskSqlDialogRunTest, LinesOfARunThatEndedEarlyReachTheLogFileWhenTheDialogGoes) {
  for (bool closed : {true, false}) {
    SCOPED_TRACE(closed ? "closed" : "program ended");
    RunFixture f;
    f.Set("Pelvane", "RefreshLogWindow", "0");
    f.Set("Pelvane", "QAPath", f.dir.File("nowhere"));  // the run ends after the first server
    f.Button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
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

TEST(VeskSqlDialogRunTest, AStopContinuesOnlyWithTheSameServersScriptsAndSteps) {
  RunFixture f(200);
  struct Case {
    const char* what;
    std::function<void()> change;
    bool continues;
  };
  const std::string script = f.dir.File("check.sql");
  auto box = [&f](const char* name) { return Control<QPlainTextEdit>(*f.dialog, name); };
  // Which changes keep the run's place is MayContinueWith's; here one of each.
  const Case cases[] = {
      {"the script set to what it was (a browse given up)",
       [&] { box("txtSQLScript")->setPlainText(QString::fromStdString(script)); }, true},
      {"a server taken out",
       [&] {
         Select(Control<QListWidget>(*f.dialog, "lstVeskServers"), {f.servers[2]});
         Control<QToolButton>(*f.dialog, "cmdRemoveVar")->click();
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.Open();
    // Stopped while the first server is in progress (it is highlighted when it starts).
    f.Button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(
        Control<QListWidget>(*f.dialog, "lstVeskServers")->item(0)->isSelected(), 30000);
    f.Button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
    ASSERT_EQ(f.Button()->text(), "Continue ...");
    ASSERT_EQ(f.dialog->NextServerIndex(), 2);
    EXPECT_EQ(f.Count("Run stopped by the user after Server: " + f.servers[0] + "."), 1u);
    c.change();
    EXPECT_EQ(f.Button()->text(), c.continues ? "Continue ..." : "Vesk SQL");
    EXPECT_EQ(f.dialog->NextServerIndex(), c.continues ? 2 : 1);
    if (!c.continues) continue;
    f.Button()->click();  // goes on from the second server
    QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
    EXPECT_EQ(f.Count(f.servers[0]), 0u);
    EXPECT_EQ(f.Count(f.servers[1] + ": Process complete."), 1u);
    EXPECT_EQ(f.Count(f.servers[2] + ": Process complete."), 1u);
    EXPECT_EQ(f.Button()->text(), "Vesk SQL");
  }
}

/// The board's cell at (row, column) as the grid shows it.
std::string Cell(RunStatusWindow* board, int row, int column) {
  auto* grid = Control<QTableView>(*board, "grdRunStatus");
  return grid->model()->index(row, column).data().toString().toStdString();
}

TEST(VeskSqlDialogRunTest, AStopSaysWhatItDoesAndStopNowEndsTheScript) {
  RunFixture f(200);
  // Slow enough that a stop lands while the first server works on its script.
  std::string slow;
  for (int i = 0; i < 40; ++i) slow += "SELECT 1 AS one\nGO\n";
  pelvane::testing::WriteBytes(f.dir.File("check.sql"), slow);
  // The log box stays usable during a run; the keys work wherever the focus is in the dialog.
  auto logBox = [&f] { return Control<QPlainTextEdit>(*f.dialog, "txtErrorMessages"); };
  struct Case {
    const char* what;
    std::function<void()> stop;
    bool now;
  };
  const Case cases[] = {
      {"Stop, pressed with F5", [&] { QTest::keyClick(logBox(), Qt::Key_F5); }, false},
      {"Stop Now, Shift+F5 on the board",
       [&] {
         QTest::keyClick(Control<QWidget>(*f.dialog->StatusWindow(), "grdRunStatus"), Qt::Key_F5,
                         Qt::ShiftModifier);
       },
       true},
      {"Stop Now, from the button's menu",
       [&] {
         auto* menuButton = Control<QToolButton>(*f.dialog, "cmdStopMenu");
         ASSERT_TRUE(menuButton->isEnabled());
         menuButton->menu()->actions().value(0)->trigger();
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.Open();
    f.dialog->show();
    f.dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.dialog.get()));
    QTest::keyClick(Control<QPlainTextEdit>(*f.dialog, "txtSQLScript"), Qt::Key_Return,
                    Qt::ControlModifier);  // Ctrl+Return presses the run button
    ASSERT_TRUE(f.dialog->IsRunning());
    RunStatusWindow* board = f.dialog->StatusWindow();
    QTRY_VERIFY_WITH_TIMEOUT(Cell(board, 0, 1) == "RUNNING", 30000);
    // Where a stop is pressed: the dialog, or (for Shift+F5) the board beside it.
    QWidget* where = c.now ? static_cast<QWidget*>(board) : f.dialog.get();
    where->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == where);
    logBox()->setFocus();
    c.stop();
    EXPECT_EQ(f.Button()->text(), "Stopping...");
    EXPECT_FALSE(f.Button()->isEnabled());
    if (!c.now) {
      // The server in progress goes on and its time with it.
      EXPECT_EQ(Cell(board, 0, 1), "RUNNING");
      QTRY_VERIFY_WITH_TIMEOUT(Cell(board, 0, 4) != "0.0", 30000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
    EXPECT_TRUE(f.Button()->isEnabled());
    EXPECT_EQ(f.Count(f.servers[1]), 0u) << f.Log();  // nothing after the stop ran
    if (c.now) {
      EXPECT_EQ(f.Count("check.sql on Server: " + f.servers[0] + " was stopped by the user."), 1u)
          << f.Log();
      EXPECT_EQ(f.Count("--> UNSUCCESSFUL."), 1u) << f.Log();
      EXPECT_EQ(f.Count("Process complete."), 0u) << f.Log();
      EXPECT_EQ(Cell(board, 0, 1), "UNSUCCESSFUL");
      EXPECT_EQ(f.Button()->text(), "Vesk SQL");
    } else {
      EXPECT_EQ(f.Count("--> SUCCESSFUL."), 1u) << f.Log();
      EXPECT_EQ(Cell(board, 0, 1), "SUCCESSFUL");
      EXPECT_EQ(f.Button()->text(), "Continue ...");
    }
  }
}

TEST(VeskSqlDialogRunTest, ClosingDuringARunAsksAndClosesAfterTheStop) {
  RunFixture f(200);
  f.Button()->click();
  f.prompter.answers = {engine::Answer::kNo, engine::Answer::kYes};
  EXPECT_FALSE(f.dialog->close());  // No: the run goes on
  EXPECT_TRUE(f.dialog->IsRunning());
  f.dialog->close();  // Yes: stops after the server in progress, then closes
  QTRY_VERIFY_WITH_TIMEOUT(f.host.closed == 1, 60000);
  EXPECT_FALSE(f.dialog->IsRunning());
  EXPECT_EQ(f.Get("Script", "ScriptPath"), f.dir.File("check.sql"));
}

}  // namespace
}  // namespace pelvane::shell
