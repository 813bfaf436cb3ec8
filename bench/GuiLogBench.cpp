// SPDX-License-Identifier: GPL-3.0-or-later
// The log of a run on its way into the Vesk SQL dialog: a Simple Script run whose result
// table has 100,000 rows (one log line each) goes through the window's RunHost into the log
// box, offscreen. Reports the total time and the longest time the window thread did not get
// to turn its event loop (measured by a 1 ms timer).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <utility>

#include "engine/ports/Keyring.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/PosixProcessLauncher.h"
#include "platform/SmbNetworkShares.h"
#include "platform/SmbRemoteClock.h"
#include "platform/SystemSleeper.h"
#include "settings/ServerRegistry.h"
#include "shell/VeskSqlDialog.h"
#include "uikit/ScriptedPrompter.h"

namespace {

using namespace pelvane;

constexpr int kRows = 100000;

class TableSqlClient : public engine::SqlClient {
 public:
  engine::LoginCheck CheckLogin(const engine::SqlTarget&) override {
    return {engine::LoginCheckKind::kAccepted, {}};
  }
  Result<engine::QueryResult> RunQuery(const engine::SqlTarget&, const std::string&, int) override {
    engine::QueryResult result;
    result.hasResultSet = true;
    result.columns = {"id", "note"};
    for (int i = 0; i < kRows; ++i) result.rows.push_back({std::to_string(i), "row of the table"});
    return result;
  }
  engine::PasswordChange ChangePassword(const std::string&, const std::string&, const std::string&,
                                        const std::string&, const engine::SqlEncryption&,
                                        int) override {
    return {};
  }
};

/// No stored passwords: the bench's one server has none.
class EmptyKeyring : public engine::Keyring {
 public:
  Result<std::optional<std::string>> Read(const engine::KeyringEntry&) override {
    return std::optional<std::string>();
  }
  Status Store(const engine::KeyringEntry&, const std::string&, const std::string&) override {
    return Status::Ok();
  }
  Status Remove(const engine::KeyringEntry&) override { return Status::Ok(); }
};

/// Simple Script mode on, nothing else: the main window as the dialog sees it.
struct BenchHost : shell::VeskDialogHost {
  void VeskDialogOpened() override {}
  void VeskDialogClosed() override {}
  void RunStateChanged(bool) override {}
  bool SimpleScriptChecked() const override { return true; }
  void SetSimpleScriptChecked(bool) override {}
  std::string SimpleScriptText() const override { return "SELECT id, note FROM big"; }
  void OpenAppendText() override {}
  void CloseAppendText() override {}
  void SetAppendTextHidden(bool) override {}
  std::string AppendTextText() const override { return ""; }
  bool AddTimeStamp() const override { return false; }
  void ClearAddTimeStamp() override {}
  void MinimizeMainWindow() override {}
  void RestoreMainWindow() override {}
};

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const std::string folder = QDir::tempPath().toStdString() + "/pelvane-gui-log-bench";
  QDir(QString::fromStdString(folder)).removeRecursively();
  QDir().mkpath(QString::fromStdString(folder));
  settings::SettingsStore store(folder + "/Pelvane.ZRQ");
  settings::ServerRegistry(store).AddServer("BIG", "bench");
  engine::ProgramState state = engine::LoadProgramState(store, {});
  TableSqlClient sql;
  platform::PosixProcessLauncher processes;
  platform::SmbNetworkShares shares;
  platform::SmbRemoteClock clock;
  platform::NetRpcServiceControl services;
  platform::SystemSleeper sleeper;
  EmptyKeyring keyring;
  shell::ShellPorts ports{sql, processes, shares, clock, services, sleeper, keyring};
  shell::ScriptedPrompter prompter;
  shell::ShellContext context{store, state, ports, prompter, folder};
  BenchHost host;
  shell::VeskSqlDialog dialog(context, host);
  dialog.resize(1100, 700);
  dialog.show();
  dialog.findChild<QToolButton*>("cmdAddAllVars")->click();

  QElapsedTimer sinceTick;
  qint64 longestStall = 0;
  QTimer heartbeat;
  heartbeat.setTimerType(Qt::PreciseTimer);
  heartbeat.callOnTimeout([&] { longestStall = std::max(longestStall, sinceTick.restart()); });

  // The same measure with nothing to do: what the machine itself costs the window thread.
  sinceTick.start();
  heartbeat.start(1);
  QTest::qWait(1000);
  const qint64 idleStall = std::exchange(longestStall, 0);

  QElapsedTimer total;
  total.start();
  sinceTick.restart();
  dialog.PressRunButton();
  if (!QTest::qWaitFor([&dialog] { return !dialog.IsRunning(); }, 600000)) return 1;
  const qint64 elapsed = total.elapsed();
  heartbeat.stop();

  const int lines = dialog.findChild<QPlainTextEdit*>("txtErrorMessages")->document()->blockCount();
  std::cout << "gui log: " << lines << " lines in the log box, " << elapsed
            << " ms in all, longest window-thread stall " << longestStall
            << " ms (goal: < 50; idle for 1 s, the longest was " << idleStall << " ms)\n";
  QDir(QString::fromStdString(folder)).removeRecursively();
  return lines >= kRows ? 0 : 1;
}
