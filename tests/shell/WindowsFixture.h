#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QWidget>
#include <memory>
#include <string>

#include "engine/ProgramState.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/OdbcSqlClient.h"
#include "platform/PosixProcessLauncher.h"
#include "platform/SmbNetworkShares.h"
#include "platform/SmbRemoteClock.h"
#include "platform/SystemSleeper.h"
#include "shell/ScriptedPrompter.h"
#include "shell/ShellContext.h"
#include "support/TempDir.h"

namespace pelvane::testing {

/// What the windows are given in the program, over a fresh settings file in a temporary
/// folder, the real SQL client and a scripted prompter.
class WindowsFixture : public ::testing::Test {
 protected:
  static platform::OdbcSqlClient::Options ShortTimeouts() {
    platform::OdbcSqlClient::Options options;
    options.connectTimeoutSeconds = 3;
    return options;
  }

  /// Start-up as the program does it: the state loaded from the file as it is now.
  void LoadState() { state = engine::LoadProgramState(store, {}); }

  /// Closes every top-level window left open, so nothing carries over to the next test.
  void TearDown() override {
    for (QWidget* window : QApplication::topLevelWidgets()) window->close();
    QApplication::processEvents();
  }

  TempDir dir;
  settings::SettingsStore store{dir.File("Pelvane.ZRQ")};
  engine::ProgramState state = engine::LoadProgramState(store, {});
  platform::OdbcSqlClient sql{ShortTimeouts()};
  platform::PosixProcessLauncher processes;
  platform::SmbNetworkShares shares;
  platform::SmbRemoteClock clock;
  platform::NetRpcServiceControl services;
  platform::SystemSleeper sleeper;
  shell::ShellPorts ports{sql, processes, shares, clock, services, sleeper};
  shell::ScriptedPrompter prompter;
  shell::ShellContext context{store, state, ports, prompter, dir.path().string()};
};

/// A control of the window by object name; fails the test when there is none.
template <class T>
T* Control(const QWidget& window, const char* name) {
  T* control = window.findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

/// Screen readers and automation tools find controls by accessible name: every control that
/// takes the focus must have one.
inline void ExpectEveryControlNamed(const QWidget& window) {
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (child->focusPolicy() == Qt::NoFocus || child->objectName().startsWith("qt_")) continue;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(child);
    ASSERT_NE(accessible, nullptr);
    EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
        << child->metaObject()->className() << " " << child->objectName().toStdString();
  }
}

}  // namespace pelvane::testing
