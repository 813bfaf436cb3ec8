// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QTableWidget>
#include <QWidget>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/ConnectionCheck.h"
#include "shell/ShellContext.h"

namespace pelvane::tools {

/// Check Connections (frmCheckConnections): connects to every listed server once and shows one
/// row per server (grdConnections), each filled as its answer arrives, and a summary
/// (lblCheckSummary) at the end. The content of a child window of the main window's MDI area.
///
/// The checks run on a worker thread that the window owns; rows come back by queued calls.
/// Closing it during the check stops before the next server and closes once the worker ends.
class CheckConnectionsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit CheckConnectionsWindow(shell::ShellContext& context, QWidget* parent = nullptr);
  ~CheckConnectionsWindow() override;

  bool IsChecking() const { return worker_.joinable(); }

 Q_SIGNALS:
  /// Every server has its row.
  void checkFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Check(std::vector<std::string> servers);
  void ShowRow(size_t index, const engine::ConnectionCheckRow& row);
  void Finished(const std::string& failure);

  shell::ShellContext& context_;
  QTableWidget* grdConnections_;
  QLabel* lblCheckSummary_;
  std::atomic<bool> stop_{false};
  std::thread worker_;
  bool closeAfterCheck_ = false;
};

}  // namespace pelvane::tools
