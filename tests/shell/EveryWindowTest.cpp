// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader needs of the windows, checked over every window of the program at once,
// each opened as a user opens it (so the other window tests leave it out).

#include <QCheckBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QSet>

#include "shell/MainWindow.h"
#include "shell/SimpleScriptWindow.h"
#include "shell/VeskDialogFixture.h"

namespace pelvane::shell {
namespace {

/// Opens every window: the Vesk SQL dialog with a script run and a Simple Script run behind it
/// (the run status board, the merged results), the editors, every window a menu command opens,
/// and the per-server dialogs of Configure Servers.
void OpenEveryWindow(MainWindow& main) {
  auto trigger = [&main](const QString& name) {
    QAction* action = main.findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name.toStdString();
    ASSERT_TRUE(action->isEnabled()) << name.toStdString();
    action->trigger();
  };
  trigger("mnPelvane");
  VeskSqlDialog* vesk = main.veskDialog();
  ASSERT_NE(vesk, nullptr);
  Control<QToolButton>(*vesk, "cmdAddAllVars")->click();
  vesk->PressRunButton();
  QTRY_VERIFY_WITH_TIMEOUT(!vesk->IsRunning(), 60000);
  trigger("mnSimpleScript");
  ASSERT_NE(main.simpleScriptWindow(), nullptr);
  Control<QPlainTextEdit>(*main.simpleScriptWindow(), "txtSimpleScript")
      ->setPlainText("SELECT 1 AS one");
  vesk->PressRunButton();
  QTRY_VERIFY_WITH_TIMEOUT(!vesk->IsRunning(), 60000);
  // Its results in front, over the main window the run's end restored.
  QTRY_VERIFY(vesk->ResultsWindow() != nullptr &&
              QApplication::activeWindow() == vesk->ResultsWindow());
  Control<QCheckBox>(*vesk, "chkAppendText")->click();

  // Every menu command that opens a window; the others only act.
  const QSet<QString> actingOnly{"mnExit",        "mnOpenLogFile",  "mnDeleteLogFile",
                                 "mnServerTime",  "mnMinOnVesk",    "mnTutorials",
                                 "mnTechSupport", "mnSimpleScript", "mnPelvane"};
  for (QAction* action : main.findChildren<QAction*>()) {
    const QString name = action->objectName();
    if (name.startsWith("mn") && action->menu() == nullptr && !actingOnly.contains(name))
      trigger(name);
  }

  QWidget* servers = main.findChild<QWidget*>("frmConfigServers");
  ASSERT_NE(servers, nullptr);
  auto* list = Control<QListWidget>(servers, "lstServers");
  ASSERT_GT(list->count(), 0);
  list->setCurrentItem(list->item(0));
  Control<QPushButton>(servers, "cmdConfigService")->click();
  Q_EMIT list->itemDoubleClicked(list->item(0));            // the server's login
  Control<QPushButton>(servers, "cmdCopyFileTo")->click();  // holds Configure Servers meanwhile
  QApplication::processEvents();
}

class EveryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.dialog.reset();  // the program's own dialog is opened from the menu
    main.show();
    ASSERT_NO_FATAL_FAILURE(OpenEveryWindow(main));
    // Hidden ones too: the password change hides the Append Text window.
    for (QWidget* top : QApplication::topLevelWidgets()) {
      const Qt::WindowType type = top->windowType();
      if (top->objectName().startsWith("frm") && (type == Qt::Window || type == Qt::Dialog))
        windows.push_back(top);
    }
    for (QMdiSubWindow* child : main.mdi().subWindowList()) children.push_back(child->widget());
    // Everything the program shows beside the main window, and inside it.
    QSet<QString> names;
    for (QWidget* window : windows) names.insert(window->objectName());
    for (QWidget* child : children) names.insert(child->objectName());
    EXPECT_TRUE(
        names.contains({"frmMain", "frmRunStatus", "frmMergedResults", "frmSimpleScript",
                        "frmAppendText", "frmAbout", "frmPelvane", "frmVeskSettings", "frmChangePW",
                        "frmConfigServers", "frmCheckServiceStatus", "frmStartStopService",
                        "frmOpenAppendToFile", "frmCopyFileTo", "frmServices", "frmSQLLogin"}))
        << names.values().join(" ").toStdString();
  }

  RunFixture f;
  MainWindow main{f.context};
  std::vector<QWidget*> windows;   // the top-level windows
  std::vector<QWidget*> children;  // the windows inside the main window
};

// Every control has an accessible name and every window reads as one: AT-SPI shows a window
// role as a frame or dialog; anything else (a "filler") is not announced. A label that shows a
// value (a service's state, a run's summary) is read out as that value, not as its caption; so
// is every caption. The value is set here as the windows set it.
TEST_F(EveryWindowTest, EveryWindowControlAndLabelReadsAsWhatItIs) {
  for (QWidget* window : children) ExpectAccessibleNames(*window);
  for (QWidget* window : windows) {
    ExpectAccessibleNames(*window);
    QAccessibleInterface* read = QAccessible::queryAccessibleInterface(window);
    ASSERT_NE(read, nullptr);
    const QAccessible::Role role = read->role();
    EXPECT_TRUE(role == QAccessible::Window || role == QAccessible::Dialog)
        << window->objectName().toStdString() << " role " << role;
  }
  ExpectAccessKeys(*main.veskDialog());

  const QString value = "Spooler (HOST) - Running";
  QSet<QLabel*> labels;  // a window's children include the windows it owns
  for (QWidget* window : windows)
    for (QLabel* label : window->findChildren<QLabel*>())
      if (label->pixmap().isNull()) labels.insert(label);  // a picture has a name of its own
  for (QLabel* label : labels) {
    const QString shown = label->text();
    label->setText(value);
    const QString read = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
    EXPECT_TRUE(read.contains(value))
        << label->objectName().toStdString() << " reads " << read.toStdString();
    label->setText(shown);
  }
  EXPECT_GT(labels.size(), 20);
}

// The main window's designed place runs past the right edge of the test screen.
TEST_F(EveryWindowTest, TheRunsWindowsOpenOnTheDialogsScreenAndComeBackFromTheWindowMenu) {
  VeskSqlDialog* dialog = main.veskDialog();
  const QRect screen = dialog->screen()->availableGeometry();
  for (auto [shown, item] :
       {std::pair<QWidget*, const char*>{dialog->StatusWindow(), "mnRunStatus"},
        {dialog->ResultsWindow(), "mnSimpleScriptResults"}}) {
    SCOPED_TRACE(item);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(screen.contains(shown->frameGeometry())) << shown->frameGeometry().x();
    shown->close();
    Action(main, item)->trigger();
    EXPECT_TRUE(shown->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), shown);
  }
}

}  // namespace
}  // namespace pelvane::shell
