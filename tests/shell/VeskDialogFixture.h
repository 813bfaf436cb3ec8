// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "settings/PasswordScrambler.h"
#include "settings/ServerRegistry.h"
#include "shell/ShellFixture.h"
#include "shell/VeskSqlDialog.h"
#include "support/StandinServer.h"

namespace pelvane::shell {

using Lines = std::vector<std::string>;

/// The main window as the dialog sees it, recording what the dialog asks of it.
struct FakeHost : VeskDialogHost {
  engine::ProgramState* state = nullptr;  // the Append Text window keeps its flag there
  int opened = 0, closed = 0;
  std::vector<bool> runStates;
  bool simpleScript = false, appendTextOpen = false;
  std::string simpleScriptText;
  void VeskDialogOpened() override { ++opened; }
  void VeskDialogClosed() override { ++closed; }
  void RunStateChanged(bool running) override { runStates.push_back(running); }
  bool SimpleScriptChecked() const override { return simpleScript; }
  void SetSimpleScriptChecked(bool checked) override { simpleScript = checked; }
  std::string SimpleScriptText() const override { return simpleScriptText; }
  void OpenAppendText() override { SetAppendText(true); }
  void CloseAppendText() override { SetAppendText(false); }
  void SetAppendText(bool open) {
    appendTextOpen = open;
    if (state != nullptr) state->AppendTextOpen = open;
  }
  void SetAppendTextHidden(bool) override {}
  std::string AppendTextText() const override { return ""; }
  bool AddTimeStamp() const override { return false; }
  void ClearAddTimeStamp() override {}
  void MinimizeMainWindow() override {}
  void RestoreMainWindow() override {}
};

inline Lines Entries(QListWidget* list) {
  Lines entries;
  for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());
  return entries;
}

/// Selects exactly these entries, as a user or an assistive tool does.
inline void Select(QListWidget* list, const Lines& names) {
  list->clearSelection();
  for (const std::string& name : names)
    list->findItems(QString::fromStdString(name), Qt::MatchExactly).value(0)->setSelected(true);
}

/// A grid's cell at (row, column) in the given role, as text.
inline std::string Cell(const QWidget* window, int row, int column, int role = Qt::DisplayRole) {
  auto* grid = Control<QTableView>(window, "grdRunStatus");
  return grid->model()->index(row, column).data(role).toString().toStdString();
}

/// Three stand-in servers registered with their logins, and a script that works on each.
struct RunFixture : ShellFixture {
  pelvane::testing::StandinServer standin;
  FakeHost host;
  std::unique_ptr<VeskSqlDialog> dialog;
  Lines servers;

  /// latencyMs slows every answer of the stand-ins, so a press can land during a server.
  explicit RunFixture(int latencyMs = 0) : standin({3, {"sa:Secret1"}, {"pubs"}, latencyMs}) {
    settings::ServerRegistry registry(store);
    for (size_t i = 0; i < 3; ++i) {
      servers.push_back(standin.server(i));
      EXPECT_TRUE(registry.AddServer(servers.back(), "demo"));
      Set(servers.back(), "Login", "sa");
      Set(servers.back(), "Password", settings::ScramblePassword("Secret1", settings::PasswordKey));
      Set(servers.back(), "Database", "pubs");
    }
    pelvane::testing::WriteBytes(dir.File("check.sql"), "SELECT 1 AS one\nGO\n");
    Set("Script", "ScriptPath", dir.File("check.sql"));
    Set("Errors", "MessagesTo", "Window");
    Reload();
    Open();
  }
  /// Opens the dialog with every server in Process Servers; `servers` in the list's order.
  void Open() {
    dialog = std::make_unique<VeskSqlDialog>(context, host);
    Control<QToolButton>(*dialog, "cmdAddAllVars")->click();
    servers = Entries(Control<QListWidget>(*dialog, "lstVeskServers"));
  }
  QPlainTextEdit* Box(const char* name) { return Control<QPlainTextEdit>(*dialog, name); }
  std::string Log() { return Box("txtErrorMessages")->toPlainText().toStdString(); }
  QPushButton* Button() { return Control<QPushButton>(*dialog, "cmdPelvane"); }
  void RunToTheEnd() {
    Button()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->IsRunning(), 60000);
  }
  size_t Count(const std::string& text) {
    std::string log = Log();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
};

}  // namespace pelvane::shell
