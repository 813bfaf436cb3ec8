// SPDX-License-Identifier: GPL-3.0-or-later
// Opens every window of the desktop program against a settings file and saves a picture of
// each into a folder: the main window while it is empty (with its first steps), the Vesk SQL
// dialog after a run, the dialog and the run status board while a run is stopping (given a slow
// server in PELVANE_TOUR_SLOW_SERVER), every window that a menu command opens (found by its
// "frm" name, so new windows join by themselves) and a server's SQL login. Message boxes are
// answered Yes without being shown. Used by `make screenshots` under Xvfb.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <iostream>
#include <string>

#include "engine/ProgramState.h"
#include "settings/ServerRegistry.h"
#include "settings/SettingsStore.h"
#include "shell/MainWindow.h"
#include "shell/RunStatusWindow.h"
#include "shell/ShellPortsFactory.h"
#include "shell/VeskSqlDialog.h"
#include "uikit/ScriptedPrompter.h"

namespace {

using pelvane::shell::MainWindow;

/// Always Yes (and nothing typed or chosen), so no box waits for a person.
class YesPrompter : public pelvane::shell::ScriptedPrompter {
 public:
  pelvane::engine::Answer Ask(const pelvane::shell::Prompt& prompt) override {
    asked.push_back(prompt);
    return pelvane::engine::Answer::kYes;
  }
  bool OpenUrl(const std::string& url) override {
    openedUrls.push_back(url);
    return true;
  }
};

class Tour {
 public:
  Tour(MainWindow& main, QString folder) : main_(main), folder_(std::move(folder)) {}

  /// Saves every "frm" window not saved yet: top-level windows and MDI children.
  void SaveNew() {
    QTest::qWait(300);  // let layouts settle and the window paint
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible() && top->objectName().startsWith("frm")) Save(top->objectName(), top);
    }
    for (QMdiSubWindow* child : main_.mdi().subWindowList()) {
      QWidget* content = child->widget();
      if (content != nullptr && content->objectName().startsWith("frm"))
        Save(content->objectName(), child);
    }
  }
  int saved() const { return saved_.size(); }

  /// Saves a window in a state of its own under a name of its own.
  void Save(const QString& name, QWidget* window) {
    if (saved_.contains(name) || window == nullptr) return;
    saved_.insert(name);
    const QString file = folder_ + "/" + name + ".png";
    if (window->grab().save(file)) {
      std::cout << file.toStdString() << '\n';
    } else {
      std::cerr << "screenshots: could not write " << file.toStdString() << '\n';
    }
  }

  MainWindow& main_;
  QString folder_;
  QSet<QString> saved_;
};

/// Registers the slow server with the first server's login, runs it alone, presses Stop while
/// it works and saves the dialog and the board in that state.
void ShowStopping(pelvane::shell::ShellContext& context, pelvane::shell::VeskSqlDialog& vesk,
                  const std::string& slow, Tour& tour) {
  pelvane::settings::ServerRegistry registry(context.store);
  const std::vector<std::string> servers = registry.FillServerList("");
  if (servers.empty() || !registry.AddServer(slow, "SLOW")) return;
  for (const char* key : {"Login", "Password", "Database"})
    (void)context.store.SaveINIValues(slow, key, context.store.GetINIValue(servers.front(), key));
  context.registryChanged.Tell();
  vesk.findChild<QToolButton*>("cmdRemoveAllVars")->click();
  auto* available = vesk.findChild<QListWidget*>("lstServerList");
  available->clearSelection();
  for (QListWidgetItem* item : available->findItems(QString::fromStdString(slow), Qt::MatchExactly))
    item->setSelected(true);
  vesk.findChild<QToolButton*>("cmdAddVar")->click();
  vesk.PressRunButton();
  auto running = [&vesk] {
    auto* grid =
        vesk.StatusWindow() ? vesk.StatusWindow()->findChild<QTableView*>("grdRunStatus") : nullptr;
    return grid != nullptr && grid->model()->index(0, 1).data().toString() == "RUNNING";
  };
  if (!QTest::qWaitFor(running, 30000)) std::cerr << "screenshots: the slow server did not start\n";
  vesk.PressRunButton();  // Stop: "Stopping..." until the server in progress is done
  QTest::qWait(1200);     // its time goes on meanwhile
  QWidget* frame = vesk.parentWidget();
  tour.Save("frmPelvane-stopping", frame != nullptr ? frame : &vesk);
  tour.Save("frmRunStatus-stopping", vesk.StatusWindow());
  if (!QTest::qWaitFor([&vesk] { return !vesk.IsRunning(); }, 120000))
    std::cerr << "screenshots: the stopped run did not end in time\n";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3 || args[1] == "--help") {
    std::cout << "usage: screenshot_tour SETTINGS_FILE FOLDER\n\n"
                 "Opens every window of The Pelvane Tool over the settings file, runs the Vesk\n"
                 "SQL dialog once over every server, and saves a PNG of each window in FOLDER.\n";
    return args.size() == 2 && args[1] == "--help" ? 0 : 2;
  }
  QDir().mkpath(args[2]);
  pelvane::settings::SettingsStore store(args[1].toStdString());
  pelvane::engine::ProgramState state = pelvane::engine::LoadProgramState(store, {});
  pelvane::shell::OwnedShellPorts ports;
  YesPrompter prompter;
  pelvane::shell::ShellContext context{store, state, ports.ports(), prompter,
                                       QCoreApplication::applicationDirPath().toStdString()};
  MainWindow main(context);
  main.resize(1100, 780);
  main.show();
  Tour tour(main, args[2]);
  tour.SaveNew();

  // The Vesk SQL dialog after a run over every server.
  main.findChild<QAction*>("mnPelvane")->trigger();
  pelvane::shell::VeskSqlDialog* vesk = main.veskDialog();
  vesk->findChild<QToolButton*>("cmdAddAllVars")->click();
  vesk->PressRunButton();
  if (!QTest::qWaitFor([vesk] { return !vesk->IsRunning(); }, 120000))
    std::cerr << "screenshots: the run did not end in time\n";
  tour.SaveNew();  // with the run status board beside it

  // A Simple Script run over the same servers: the merged results window.
  main.findChild<QAction*>("mnSimpleScript")->trigger();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* query = top->findChild<QPlainTextEdit*>("txtSimpleScript"))
      query->setPlainText("SELECT @@SERVERNAME AS server_name");
  }
  vesk->PressRunButton();
  if (!QTest::qWaitFor([vesk] { return !vesk->IsRunning(); }, 120000))
    std::cerr << "screenshots: the Simple Script run did not end in time\n";
  tour.SaveNew();
  main.findChild<QAction*>("mnSimpleScript")->trigger();  // back to scripts
  if (auto* appendText = vesk->findChild<QAbstractButton*>("chkAppendText");
      !appendText->isChecked())
    appendText->click();  // opens the Append Text window
  tour.SaveNew();

  // The Stopping state: a server that answers slowly, stopped while its script runs.
  if (const QString slow = qEnvironmentVariable("PELVANE_TOUR_SLOW_SERVER"); !slow.isEmpty())
    ShowStopping(context, *vesk, slow.toStdString(), tour);

  // Every other window a menu command opens; commands that only act are left out.
  const QSet<QString> actingOnly{"mnExit",      "mnOpenLogFile", "mnDeleteLogFile", "mnServerTime",
                                 "mnMinOnVesk", "mnTutorials",   "mnTechSupport",   "mnPelvane"};
  for (QAction* action : main.findChildren<QAction*>()) {
    const QString name = action->objectName();
    if (!name.startsWith("mn") || action->menu() != nullptr || actingOnly.contains(name)) continue;
    if (!action->isEnabled()) continue;
    action->trigger();
    tour.SaveNew();
  }
  // The first server's SQL login, with its encryption choices, from Configure Servers.
  if (QWidget* servers = main.findChild<QWidget*>("frmConfigServers")) {
    auto* list = servers->findChild<QListWidget*>("lstServers");
    if (list != nullptr && list->count() > 0) Q_EMIT list->itemDoubleClicked(list->item(0));
    tour.SaveNew();
  }
  std::cout << tour.saved() << " windows saved\n";
  return 0;
}
