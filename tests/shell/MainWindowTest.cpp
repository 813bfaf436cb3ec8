// SPDX-License-Identifier: GPL-3.0-or-later

#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <filesystem>
#include <memory>

#include "engine/ServerAdmin.h"
#include "settings/ServerRegistry.h"
#include "shell/AppendTextWindow.h"
#include "shell/InstanceBeacon.h"
#include "shell/MainWindow.h"
#include "shell/ShellFixture.h"
#include "shell/SimpleScriptWindow.h"
#include "shell/SingleInstance.h"
#include "shell/VeskSqlDialog.h"
#include "shell/WindowPlacement.h"
#include "support/StandinServer.h"
#include "tools/CheckConnectionsWindow.h"

namespace pelvane::shell {
namespace {

/// The main window over the test's world, made (and shown) when the test asks for it.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindow& Open(bool show = true) {
    made.reset();  // one main window at a time, as in the program
    made = std::make_unique<MainWindow>(f.context);
    if (show) made->show();
    return *made;
  }
  ShellFixture f;
  std::unique_ptr<MainWindow> made;
};

TEST_F(MainWindowTest, AnEmptyWindowShowsTheFirstStepsAsLinksThatOpenTheirWindows) {
  MainWindow& window = Open();
  auto* hint = Control<QLabel>(window, "lblFirstSteps");
  for (auto [link, opened] : {std::pair{"servers", "frmConfigServers"}, {"vesk", "frmPelvane"}}) {
    SCOPED_TRACE(link);
    QTRY_VERIFY(hint->isVisible());
    EXPECT_TRUE(window.mdi().viewport()->rect().contains(hint->geometry()));
    Q_EMIT hint->linkActivated(link);
    ASSERT_EQ(window.mdi().subWindowList().size(), 1);
    EXPECT_EQ(window.mdi().subWindowList().front()->widget()->objectName(), opened);
    QTRY_VERIFY(!hint->isVisible());
    window.mdi().closeAllSubWindows();
  }
  QTRY_VERIFY(hint->isVisible());
}

TEST_F(MainWindowTest, StoredPlacementAndMinimizeOnVeskAreRestoredAndSaved) {
  Open();
  EXPECT_FALSE(std::filesystem::exists(f.store.file()));  // starting writes nothing
  const char* const stored[][2] = {{"Left", "1500"},
                                   {"Top", "1200"},
                                   {"Width", "9000"},
                                   {"Height", "7500"},
                                   {"MinimizeOnVesk", "1"}};
  for (const auto& [key, value] : stored) f.Set("Pelvane", key, value);
  f.Reload();
  MainWindow* window = &Open();
  EXPECT_EQ(window->size(), QSize(600, 500));  // 9000 x 7500 twips at 96 dpi
  EXPECT_TRUE(Action(*window, "mnMinOnVesk")->isChecked());
  window->close();
  EXPECT_EQ(f.Get("Pelvane", "Width"), "9000");
  EXPECT_EQ(f.Get("Pelvane", "Height"), "7500");
  Action(Open(), "mnMinOnVesk")->trigger();  // off again, stored at once
  EXPECT_EQ(f.Get("Pelvane", "MinimizeOnVesk"), "0");
  EXPECT_FALSE(f.state.MinimizeOnVesk);
}

TEST_F(MainWindowTest, MenuExitSavesNothingAndToolbarExitSavesEveryWindow) {
  for (auto [exit, saves] : {std::pair{"mnExit", false}, {"Exit", true}}) {
    SCOPED_TRACE(exit);
    ShellFixture world;  // a fresh settings file for each
    auto window = std::make_unique<MainWindow>(world.context);
    EndProgramOnExitRequest(*window);  // as the program does
    window->show();
    Action(*window, "mnPelvane")->trigger();
    Control<QPlainTextEdit>(window->veskDialog(), "txtSQLScript")->setPlainText("/s/new.sql");
    window->OpenAppendText();
    Control<QPlainTextEdit>(window->appendTextWindow(), "txtAppendText")->setPlainText("typed");
    QTimer::singleShot(0, window.get(),
                       [&window, exit = exit] { Action(*window, exit)->trigger(); });
    QTimer stuck;  // ends the loop should the command not end it
    stuck.callOnTimeout([] { QCoreApplication::exit(1); });
    stuck.start(30000);
    EXPECT_EQ(QApplication::exec(), 0);
    window.reset();  // as the program's end destroys the windows
    EXPECT_EQ(world.Get("Script", "ScriptPath"), saves ? "/s/new.sql" : "");
    EXPECT_EQ(world.Get("Append", "AppendText"), saves ? "typed" : "");
    EXPECT_EQ(world.Get("Pelvane", "Width").empty(), !saves);
  }
}

TEST_F(MainWindowTest, ASecondCopyOnTheSameSettingsFileIsRefused) {
  f.Set("Pelvane", "Top", "77");
  SingleInstance first(f.store.file());
  ASSERT_TRUE(first.Acquired());
  SingleInstance second(f.store.file());
  EXPECT_FALSE(second.Acquired());
  SingleInstance otherFile(f.dir.File("Team.ZRQ"));
  EXPECT_TRUE(otherFile.Acquired());
  EXPECT_EQ(f.Get("Pelvane", "Top"), "77");

  // The second start brings the running copy's window to the front, by any path to the file.
  InstanceBeacon beacon(f.store.file());
  ASSERT_TRUE(beacon.Listening());
  MainWindow& window = Open(false);
  ShowOnSecondStart(beacon, window);
  window.showMinimized();
  QTRY_VERIFY(window.isMinimized());
  EXPECT_TRUE(AskRunningCopyToShow(f.dir.File("./Pelvane.ZRQ")));
  QTRY_VERIFY(!window.isMinimized());
  EXPECT_FALSE(AskRunningCopyToShow(f.dir.File("Team.ZRQ")));  // no copy runs on that one
}

TEST_F(MainWindowTest, TheVeskDialogSwitchesMenusAndModeAndTheEditorsHideWithTheWindow) {
  MainWindow& window = Open();
  // The items that work on the Vesk dialog or the active child follow them.
  auto expectChildItems = [&window](bool enabled) {
    for (const char* name : {"mnChangePW", "mnSimpleScript", "Close"})
      EXPECT_EQ(Action(window, name)->isEnabled(), enabled) << name;
  };
  expectChildItems(false);
  Action(window, "mnPelvane")->trigger();
  ASSERT_NE(window.veskDialog(), nullptr);
  expectChildItems(true);

  // Simple Script mode shows in the dialog: the menu item turns it on, the window's close box off.
  auto* modeLine = Control<QLabel>(*window.veskDialog(), "lblSimpleScriptMode");
  auto* scripts = Control<QPlainTextEdit>(*window.veskDialog(), "txtSQLScript");
  Action(window, "mnSimpleScript")->trigger();
  EXPECT_TRUE(modeLine->isVisible());
  EXPECT_FALSE(scripts->isEnabled());
  window.simpleScriptWindow()->close();
  EXPECT_FALSE(modeLine->isVisible());
  EXPECT_TRUE(scripts->isEnabled());

  window.OpenAppendText();
  ASSERT_NE(window.appendTextWindow(), nullptr);
  EXPECT_TRUE(window.appendTextWindow()->isVisible());
  window.showMinimized();
  QTRY_VERIFY(!window.appendTextWindow()->isVisible());
  window.showNormal();
  QTRY_VERIFY(window.appendTextWindow()->isVisible());

  Action(window, "Settings")->trigger();
  for (int open = 2; open > 0; --open) {
    Action(window, "Close")->trigger();  // the active child first
    QTRY_COMPARE(window.mdi().subWindowList().size(), open - 1);
  }
  QTRY_VERIFY(window.veskDialog() == nullptr);
  expectChildItems(false);
  EXPECT_EQ(f.state.OpenChildCount, 0);
}

TEST_F(MainWindowTest, SizesTheVeskDialogFollowsAndWindowsOpenClearOfTheMenuAndLog) {
  MainWindow& window = Open();
  window.resize(500, 400);  // smaller than the screen, so that maximizing grows it
  Action(window, "mnPelvane")->trigger();
  QMdiSubWindow* frame = window.mdi().subWindowList().value(0);
  ASSERT_NE(frame, nullptr);
  const QSize before = frame->size();
  window.showMaximized();
  QTRY_VERIFY(window.mdi().viewport()->width() > before.width());
  QTRY_COMPARE(frame->size(), window.mdi().viewport()->size());

  const std::vector<const QWidget*> uncovered{
      window.menuBar(), window.veskDialog()->findChild<QWidget*>("txtErrorMessages")};
  window.OpenAppendText();
  ASSERT_NE(window.appendTextWindow(), nullptr);
  EXPECT_FALSE(Covers(*window.appendTextWindow(), uncovered));
  window.CloseAppendText();
}

TEST_F(MainWindowTest, LogFileCommands) {
  MainWindow& window = Open(false);
  window.SetDefaultAppLookup([](const std::string&) { return true; });
  Action(window, "mnOpenLogFile")->trigger();
  pelvane::testing::WriteBytes(f.state.FixedLogFile, "old runs\r\n");
  Action(window, "mnOpenLogFile")->trigger();
  f.prompter.answers = {engine::Answer::kNo, engine::Answer::kYes, engine::Answer::kYes};
  Action(window, "mnDeleteLogFile")->trigger();
  EXPECT_TRUE(std::filesystem::exists(f.state.FixedLogFile));
  Action(window, "mnDeleteLogFile")->trigger();
  EXPECT_FALSE(std::filesystem::exists(f.state.FixedLogFile));
  Action(window, "mnDeleteLogFile")->trigger();
  const std::string log = f.state.FixedLogFile;
  EXPECT_EQ(
      f.prompter.Texts(),
      (std::vector<std::string>{"Log File does not exist.", "Delete Logfile?", "Delete Logfile?",
                                "Log File, " + log + ", has been deleted.", "Delete Logfile?",
                                "Log File, " + log + ", does not exist.  File Not Found."}));
  ASSERT_EQ(f.prompter.openedUrls.size(), 1u);
  EXPECT_EQ(f.prompter.openedUrls[0], "file://" + log);
}

// The time and its failures are the engine's; the window asks for a name and shows the answer.
TEST_F(MainWindowTest, GetRemoteServerTimeShowsTheTime) {
  MainWindow& window = Open(false);
  f.prompter.texts = {std::string()};  // no name: this machine's own time
  Action(window, "mnServerTime")->trigger();
  QTRY_COMPARE(f.prompter.asked.size(), size_t{1});
  EXPECT_EQ(f.prompter.asked[0].text.rfind("Server, , time is ", 0), 0u)
      << f.prompter.asked[0].text;
}

// The Servers menu opens the window; the row comes back from the worker (BackgroundTasksTest
// proves the window thread never waits for it).
TEST_F(MainWindowTest, CheckConnectionsFillsARowPerServer) {
  testing::StandinServer standin;
  ASSERT_TRUE(settings::ServerRegistry(f.store).AddServer(standin.server(), "prod"));
  ASSERT_TRUE(engine::SaveSqlLogin(f.store, f.keyring, standin.server(),
                                   {"sa", "Secret1", "pubs", "prod"}));
  Action(Open(), "mnCheckConnections")->trigger();
  auto* check = made->findChild<tools::CheckConnectionsWindow*>("frmCheckConnections");
  ASSERT_NE(check, nullptr);
  QSignalSpy finished(check, &tools::CheckConnectionsWindow::checkFinished);
  ASSERT_TRUE(finished.wait(20000));
  auto* table = Control<QTableWidget>(*check, "grdConnections");
  ASSERT_EQ(table->rowCount(), 1);
  for (auto [column, text] :
       {std::pair{0, standin.server()}, {1, std::string("OK")}, {4, std::string("pubs")}})
    EXPECT_EQ(table->item(0, column)->text().toStdString(), text) << column;
  EXPECT_LE(table->horizontalHeader()->length(), table->viewport()->width());  // every column
}

}  // namespace
}  // namespace pelvane::shell
