// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <vector>

#include "settings/ServerRegistry.h"
#include "support/WindowTestKit.h"
#include "tools/ToolWindowFrame.h"
#include "tools/ToolWindows.h"

namespace pelvane::tools {

using testing::Control;
using testing::Heartbeat;

/// The windows' world, with the real network shares and service manager, and an MDI area that
/// the tool windows open in.
class ToolsTest : public ::testing::Test, public testing::WindowWorld<> {
 protected:
  ToolsTest() : WindowWorld("", /*loginTimeoutSeconds=*/2) {
    mdi.resize(900, 700);
    mdi.show();
  }
  ~ToolsTest() override { CloseAll(); }

  /// Closes every tool window and forgets the prompts, so the next case of a table starts clean.
  void CloseAll() {
    mdi.closeAllSubWindows();
    QApplication::processEvents();
    prompter.asked.clear();
  }
  /// The content of the open tool window with this name, or null.
  template <class T = QWidget>
  T* Window(const char* objectName) {
    for (QMdiSubWindow* frame : mdi.subWindowList())
      if (frame->widget() && frame->widget()->objectName() == objectName)
        return qobject_cast<T*>(frame->widget());
    return nullptr;
  }
  /// Opens a tool window from its menu command, as the main window does.
  template <class T = QWidget>
  T* Open(ToolWindow which, const char* objectName) {
    OpenToolWindow(which, context, mdi);
    return Window<T>(objectName);
  }
  /// Opens a per-server dialog for this server in the given context (the test's own by default).
  template <class T>
  T* OpenFor(const std::string& server, shell::ShellContext* in = nullptr) {
    shell::ShellContext& used = in ? *in : context;
    used.session.CurrentServer = server;
    return static_cast<T*>(ShowInMdi(mdi, std::make_unique<T>(used)));
  }
  static void Type(QWidget* window, const std::vector<std::pair<const char*, QString>>& boxes) {
    for (const auto& [name, text] : boxes) Control<QLineEdit>(window, name)->setText(text);
  }
  static QString Text(QWidget* window, const char* name) {
    return Control<QLineEdit>(window, name)->text();
  }
  static void Click(QWidget* window, const char* button) {
    if (QWidget* target = Control<QWidget>(window, button))
      QTest::mouseClick(target, Qt::LeftButton);
  }
  /// Chooses an entry of a combo box as the user does.
  static void Choose(QWidget* window, const char* combo, const QString& text) {
    auto* box = Control<QComboBox>(window, combo);
    box->setCurrentIndex(box->findText(text));
    ASSERT_GE(box->currentIndex(), 0) << text.toStdString();
    Q_EMIT box->activated(box->currentIndex());
  }
  void AddServer(const std::string& name, const std::string& group = "") {
    ASSERT_TRUE(settings::ServerRegistry(store).AddServer(name, group));
  }
  std::vector<std::string> Servers() { return settings::ServerRegistry(store).FillServerList(""); }

  QMdiArea mdi;
};

}  // namespace pelvane::tools
