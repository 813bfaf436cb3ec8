// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "engine/ReportRecorder.h"
#include "engine/RunReport.h"

class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace pelvane::shell {

class RunStatusModel;

/// The run status board (frmRunStatus): one row per server of the run, one cell per step,
/// updated live from the run's ReportRecorder, and a summary line. The recorder tells of
/// changed rows from worker threads; the window marks them and refreshes at most every
/// RefreshIntervalMs, so a fast run over many servers never floods the window thread.
class RunStatusWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int RefreshIntervalMs = 100;

  explicit RunStatusWindow(QWidget* parent = nullptr);
  ~RunStatusWindow() override;

  /// For the run's recorder: marks a row changed. Any thread; safe after the window is gone.
  engine::ReportRecorder::Listener Listener() const;
  /// A run begins over this recorder (which lives until RunFinished).
  void RunStarted(const engine::ReportRecorder& recorder);
  /// The run has ended: the final rows and the summary with the run's time.
  void RunFinished();

  bool IsRunning() const { return recorder_ != nullptr; }
  const engine::RunReport& Report() const;

 Q_SIGNALS:
  /// "Re-run Failed": these servers, in list order, are to be run again.
  void rerunFailed(const std::vector<std::string>& servers);

 private:
  struct Changes;
  void Refresh();
  void ShowSummary();

  std::shared_ptr<Changes> changes_;
  const engine::ReportRecorder* recorder_ = nullptr;
  QElapsedTimer elapsed_;
  QTimer refreshTimer_;
  QTimer tickTimer_;  // the time of the servers in progress goes on

  RunStatusModel* model_ = nullptr;
  QSortFilterProxyModel* sorted_ = nullptr;
  QTableView* grdRunStatus_ = nullptr;
  QLabel* lblRunSummary_ = nullptr;
  QPushButton* cmdRerunFailed_ = nullptr;
};

}  // namespace pelvane::shell
