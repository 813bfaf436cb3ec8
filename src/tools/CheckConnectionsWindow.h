// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QTableWidget>
#include <QWidget>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/ConnectionCheck.h"
#include "uikit/ShellContext.h"

namespace pelvane::tools {

/// Check Connections (frmCheckConnections): connects to every listed server once and shows one
/// row per server (grdConnections), each filled as its answer arrives, and a summary
/// (lblCheckSummary) at the end. The content of a child window of the main window's MDI area.
///
/// The checks run off the window thread (BackgroundTasks); rows come back by queued calls.
/// Closing it during the check stops before the next server and closes once the worker ends.
class CheckConnectionsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit CheckConnectionsWindow(shell::ShellContext& context, QWidget* parent = nullptr);
  ~CheckConnectionsWindow() override;

  bool IsChecking() const { return checking_; }
  /// Wide enough for every column, tall enough for the servers' rows.
  QSize sizeHint() const override;

 Q_SIGNALS:
  /// Every server has its row.
  void checkFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowRow(size_t index, const engine::ConnectionCheckRow& row);
  void Finished(const std::string& failure);

  shell::ShellContext& context_;
  QTableWidget* grdConnections_;
  QLabel* lblCheckSummary_;
  // Shared with the worker, which may outlive the window by the server in progress.
  std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
  bool checking_ = false;
  bool closeAfterCheck_ = false;
};

}  // namespace pelvane::tools
