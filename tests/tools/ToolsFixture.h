#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>

#include "platform/OdbcSqlClient.h"
#include "platform/PosixProcessLauncher.h"
#include "platform/SmbRemoteClock.h"
#include "platform/SystemSleeper.h"
#include "shell/ScriptedPrompter.h"
#include "shell/ShellContext.h"
#include "support/TempDir.h"

namespace pelvane::tools {

/// A service manager in memory, safe to call from the dialogs' worker threads. A state can be
/// pinned so requests leave it alone (a service stuck in a pending state).
class MemoryServices : public engine::ServiceControl {
 public:
  void Set(const std::string& key, engine::ServiceState state, bool pinned = false) {
    std::lock_guard<std::mutex> lock(mutex_);
    states_[key] = state;
    pinned_[key] = pinned;
  }
  engine::ServiceState QueryState(const std::string& machine, const std::string& service,
                                  const engine::NetworkLogin&) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++queries;
    auto found = states_.find(machine + "/" + service);
    return found == states_.end() ? engine::ServiceState::kUnknown : found->second;
  }
  void Start(const std::string& machine, const std::string& service,
             const engine::NetworkLogin&) override {
    Request("start " + machine + "/" + service, machine + "/" + service,
            engine::ServiceState::kRunning);
  }
  void Stop(const std::string& machine, const std::string& service,
            const engine::NetworkLogin&) override {
    Request("stop " + machine + "/" + service, machine + "/" + service,
            engine::ServiceState::kStopped);
  }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  std::atomic_int queries{0};

 private:
  void Request(const std::string& what, const std::string& key, engine::ServiceState after) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(what);
    if (!pinned_[key]) states_[key] = after;
  }
  std::mutex mutex_;
  std::map<std::string, engine::ServiceState> states_;
  std::map<std::string, bool> pinned_;
  std::vector<std::string> requests_;
};

/// Network folders in memory: Connect answers with a scripted code.
class MemoryShares : public engine::NetworkShares {
 public:
  std::atomic_int code{engine::connect_code::kConnected};
  std::vector<std::string> calls;  // read after the work has ended
  Connection Connect(const std::string& path, const std::string& user,
                     const std::string& password) override {
    calls.push_back("connect " + path + " " + user + " " + password);
    return {code, code == engine::connect_code::kConnected ? "L:" : "", ""};
  }
  bool Disconnect(const std::string& localName, bool) override {
    calls.push_back("disconnect " + localName);
    return true;
  }
  Status CopyFile(const std::string&, const std::string&, bool) override { return Status::Ok(); }
  Status AppendText(const std::string&, const std::string&) override { return Status::Ok(); }
};

/// Counts the window thread's timer ticks: work that blocks that thread stops them.
struct Heartbeat {
  explicit Heartbeat(int ms) {
    timer.callOnTimeout([this] { ++ticks; });
    timer.start(ms);
  }
  QTimer timer;
  int ticks = 0;
};

/// A settings file in a fresh folder, the real SQL client, processes and clock, network shares
/// and services in memory for the tests to script, a scripted prompter and an MDI area that
/// the tool windows open in.
class ToolsTest : public ::testing::Test {
 protected:
  ToolsTest() {
    mdi.resize(900, 700);
    mdi.show();
  }
  ~ToolsTest() override {
    mdi.closeAllSubWindows();
    QApplication::processEvents();
  }

  static platform::OdbcSqlClient::Options ShortLogins() {
    platform::OdbcSqlClient::Options options;
    options.connectTimeoutSeconds = 2;
    return options;
  }
  /// Closes every tool window and forgets the prompts, so the next case of a table starts clean.
  void CloseAll() {
    mdi.closeAllSubWindows();
    QApplication::processEvents();
    prompter.asked.clear();
  }
  /// The content of the open tool window with this name, or null.
  template <class T = QWidget>
  T* Window(const char* objectName) {
    for (QMdiSubWindow* frame : mdi.subWindowList()) {
      if (frame->widget() && frame->widget()->objectName() == objectName)
        return qobject_cast<T*>(frame->widget());
    }
    return nullptr;
  }
  template <class T>
  static T* Child(QWidget* window, const char* objectName) {
    T* found = window ? window->findChild<T*>(objectName) : nullptr;
    EXPECT_NE(found, nullptr) << objectName;
    return found;
  }
  static void Click(QWidget* window, const char* button) {
    QWidget* target = Child<QWidget>(window, button);
    if (target) QTest::mouseClick(target, Qt::LeftButton);
  }
  void AddServer(const std::string& name, const std::string& group = "") {
    const int position = static_cast<int>(Servers().size()) + 1;
    ASSERT_TRUE(store.SaveINIValues("Servers", "Server" + std::to_string(position), name));
    ASSERT_TRUE(store.SaveINIValues(name, "ServerGroup", group));
  }
  std::vector<std::string> Servers() {
    std::vector<std::string> names;
    for (int i = 1;; ++i) {
      std::string name = store.GetINIValue("Servers", "Server" + std::to_string(i));
      if (name.empty()) return names;
      names.push_back(name);
    }
  }
  /// Every control a user can reach has a name a screen reader reads out.
  static void ExpectAccessibleNames(QWidget* window) {
    ASSERT_NE(window, nullptr);
    for (QWidget* child : window->findChildren<QWidget*>()) {
      if (child->focusPolicy() == Qt::NoFocus || !child->isVisibleTo(window) ||
          child->objectName().startsWith("qt_") ||
          qobject_cast<QComboBox*>(child->parentWidget()))  // an editable combo's own editor
        continue;
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(child);
      ASSERT_NE(accessible, nullptr);
      EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
          << window->objectName().toStdString() << "/" << child->objectName().toStdString();
    }
  }

  testing::TempDir dir;
  settings::SettingsStore store{dir.File("Pelvane.ZRQ")};
  engine::ProgramState state;
  platform::OdbcSqlClient sql{ShortLogins()};
  platform::PosixProcessLauncher processes;
  MemoryShares shares;
  platform::SmbRemoteClock clock;
  MemoryServices services;
  platform::SystemSleeper sleeper;
  shell::ShellPorts ports{sql, processes, shares, clock, services, sleeper};
  shell::ScriptedPrompter prompter;
  shell::ShellContext context{store, state, ports, prompter, dir.path().string()};
  QMdiArea mdi;
};

}  // namespace pelvane::tools
