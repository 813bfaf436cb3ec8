// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "engine/ports/NetworkShares.h"
#include "engine/ports/ServiceControl.h"
#include "settings/ServerRegistry.h"
#include "support/WindowTestKit.h"
#include "tools/ToolWindowFrame.h"
#include "tools/ToolWindows.h"

namespace pelvane::tools {

/// A service manager in memory, safe to call from the dialogs' worker threads. A pinned service
/// ignores requests, as one stuck in a pending state does.
class MemoryServices : public engine::ServiceControl {
 public:
  void Set(const std::string& key, engine::ServiceState state, bool pinned = false) {
    std::lock_guard<std::mutex> lock(mutex_);
    states_[key] = {state, pinned};
  }
  engine::ServiceState QueryState(const std::string& machine, const std::string& service,
                                  const engine::NetworkLogin&) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return states_[machine + "/" + service].first;
  }
  engine::ServiceReply Start(const std::string& machine, const std::string& service,
                             const engine::NetworkLogin&) override {
    return Request("start", machine + "/" + service, engine::ServiceState::kRunning);
  }
  engine::ServiceReply Stop(const std::string& machine, const std::string& service,
                            const engine::NetworkLogin&) override {
    return Request("stop", machine + "/" + service, engine::ServiceState::kStopped);
  }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  engine::ServiceReply Request(const std::string& verb, const std::string& key,
                               engine::ServiceState after) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(verb + " " + key);
    if (!states_[key].second) states_[key].first = after;
    return {};
  }
  std::mutex mutex_;
  std::map<std::string, std::pair<engine::ServiceState, bool>> states_;  // state, pinned
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

using testing::Control;
using testing::ExpectAccessibleNames;
using testing::Heartbeat;

/// The windows' world with network shares and services in memory for the tests to script, and
/// an MDI area that the tool windows open in.
class ToolsTest : public ::testing::Test,
                  public testing::WindowWorld<MemoryShares, MemoryServices> {
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
  void AddServer(const std::string& name, const std::string& group = "") {
    ASSERT_TRUE(settings::ServerRegistry(store).AddServer(name, group));
  }
  std::vector<std::string> Servers() { return settings::ServerRegistry(store).FillServerList(""); }

  QMdiArea mdi;
};

}  // namespace pelvane::tools
