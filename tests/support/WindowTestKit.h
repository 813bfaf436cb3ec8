// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <string>

#include "engine/ProgramState.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/OdbcSqlClient.h"
#include "platform/PosixProcessLauncher.h"
#include "platform/SecretServiceKeyring.h"
#include "platform/SmbNetworkShares.h"
#include "platform/SmbRemoteClock.h"
#include "platform/SystemSleeper.h"
#include "settings/SettingsStore.h"
#include "support/TempDir.h"
#include "uikit/ScriptedPrompter.h"
#include "uikit/ShellContext.h"

// QTRY_VERIFY and QTRY_COMPARE end in QVERIFY and QCOMPARE, which report to QTest's own log
// (unread under GoogleTest) and return: a wait that timed out passed silently. As GoogleTest
// assertions, a timeout fails the test.
#undef QVERIFY
#define QVERIFY(statement) ASSERT_TRUE(statement) << #statement
#undef QCOMPARE
#define QCOMPARE(actual, expected) ASSERT_EQ(actual, expected)

namespace pelvane::testing {

/// What the windows are given in the program: a settings file in a fresh folder, the real SQL
/// client, processes and clock, network shares and services of the test's choosing and a
/// scripted prompter. The program folder is the temporary one unless a test names another.
template <class Shares = platform::SmbNetworkShares,
          class Services = platform::NetRpcServiceControl>
struct WindowWorld {
  explicit WindowWorld(const std::string& programFolder = "", int loginTimeoutSeconds = 3)
      : sql(LoginTimeout(loginTimeoutSeconds)),
        context{store, state, ports, prompter,
                programFolder.empty() ? dir.path().string() : programFolder} {
    Reload();
  }

  /// Start-up's reading of the settings, after a test has stored some.
  void Reload() { state = engine::LoadProgramState(store, {}); }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    ASSERT_TRUE(store.SaveINIValues(section, key, value)) << section << "/" << key;
  }
  std::string Get(const std::string& section, const std::string& key) const {
    return store.GetINIValue(section, key);
  }

  TempDir dir;
  settings::SettingsStore store{dir.File("Pelvane.ZRQ")};
  engine::ProgramState state;
  platform::OdbcSqlClient sql;
  platform::PosixProcessLauncher processes;
  Shares shares;
  platform::SmbRemoteClock clock;
  Services services;
  platform::SystemSleeper sleeper;
  platform::SecretServiceKeyring keyring;
  shell::ShellPorts ports{sql, processes, shares, clock, services, sleeper, keyring};
  shell::ScriptedPrompter prompter;
  shell::ShellContext context;

 private:
  static platform::OdbcSqlClient::Options LoginTimeout(int seconds) {
    platform::OdbcSqlClient::Options options;
    options.connectTimeoutSeconds = seconds;
    return options;
  }
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

/// A control of the window by object name; fails the test when there is none.
template <class T>
T* Control(const QWidget* window, const char* name) {
  T* found = window ? window->findChild<T*>(name) : nullptr;
  EXPECT_NE(found, nullptr) << name;
  return found;
}
template <class T>
T* Control(const QWidget& window, const char* name) {
  return Control<T>(&window, name);
}

/// Screen readers and automation tools find controls by accessible name: every control that
/// takes the focus must have one, hidden ones too (they show later).
inline void ExpectAccessibleNames(const QWidget& window) {
  for (QWidget* child : window.findChildren<QWidget*>()) {
    // The parts a combo box is made of (its line edit, its popup list) are read out through it.
    bool inCombo = false;
    for (const QWidget* up = child->parentWidget(); up && up != &window; up = up->parentWidget())
      inCombo = inCombo || qobject_cast<const QComboBox*>(up);
    if (child->focusPolicy() == Qt::NoFocus || child->objectName().startsWith("qt_") || inCombo)
      continue;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(child);
    ASSERT_NE(accessible, nullptr);
    EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
        << window.objectName().toStdString() << "/" << child->metaObject()->className() << " "
        << child->objectName().toStdString();
  }
}

/// Selects a row of a list or table as a screen reader does, through the accessible table (the
/// way AT-SPI's selection reaches Qt): the row is selected and no entry is made current.
inline void SelectAsScreenReader(QAbstractItemView* view, int row) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
  ASSERT_TRUE(accessible != nullptr && accessible->tableInterface() != nullptr);
  ASSERT_TRUE(accessible->tableInterface()->selectRow(row));
}

/// The letter after the single "&" of a caption, upper case; empty when there is none.
inline QString AccessKeyOf(const QString& caption) {
  for (int i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return caption[i + 1].toUpper();
    ++i;
  }
  return {};
}

/// Every label that names a field reaches it by an access key, and no two labels or buttons of
/// the window share one.
inline void ExpectAccessKeys(const QWidget& window) {
  QStringList keys;
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (label->window() != window.window()) continue;
    const QString key = AccessKeyOf(label->text());
    if (label->buddy() != nullptr) {
      EXPECT_FALSE(key.isEmpty()) << label->text().toStdString();
    }
    if (!key.isEmpty()) keys << key;
  }
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
    if (button->window() == window.window() && !AccessKeyOf(button->text()).isEmpty())
      keys << AccessKeyOf(button->text());
  EXPECT_EQ(keys.removeDuplicates(), 0)
      << window.objectName().toStdString() << ": " << keys.join(' ').toStdString();
}

}  // namespace pelvane::testing
