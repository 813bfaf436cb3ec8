// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QApplication>

#include "support/WindowTestKit.h"

namespace pelvane::shell {

using testing::Control;
using testing::ExpectAccessibleNames;
using testing::ExpectAccessKeys;

/// A menu or toolbar command of the window by object name; fails the test when there is none.
inline QAction* Action(const QWidget& window, const char* name) {
  QAction* found = window.findChild<QAction*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

/// A window's world for one test, with the real ports; programs are looked for where the tests
/// are built.
struct ShellFixture : testing::WindowWorld<> {
  ShellFixture() : WindowWorld(PELVANE_BIN_DIR, /*loginTimeoutSeconds=*/15) {}
};

/// The same world as a test fixture, with the temporary folder as the program's folder.
class WindowsFixture : public ::testing::Test, public testing::WindowWorld<> {
 protected:
  /// Closes every top-level window left open, so nothing carries over to the next test.
  void TearDown() override {
    for (QWidget* window : QApplication::topLevelWidgets()) window->close();
    QApplication::processEvents();
  }
};

}  // namespace pelvane::shell
