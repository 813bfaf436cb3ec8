// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/RunStatusWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <mutex>
#include <utility>

#include "shell/RunStatusModel.h"

namespace pelvane::shell {

/// The rows changed since the last refresh, shared with the recorder's listener. The window
/// is told at most once per refresh; `window` is cleared (under the lock) when it goes away.
struct RunStatusWindow::Changes {
  std::mutex mutex;
  RunStatusWindow* window = nullptr;
  std::vector<int> positions;
  bool told = false;
};

RunStatusWindow::RunStatusWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), changes_(std::make_shared<Changes>()) {
  changes_->window = this;
  setObjectName("frmRunStatus");
  setWindowTitle("Run Status");
  setAccessibleName("Run Status");

  model_ = new RunStatusModel(this);
  sorted_ = new QSortFilterProxyModel(this);
  sorted_->setSourceModel(model_);
  sorted_->setSortRole(RunStatusModel::SortRole);
  sorted_->setDynamicSortFilter(true);

  grdRunStatus_ = new QTableView(this);
  grdRunStatus_->setObjectName("grdRunStatus");
  grdRunStatus_->setAccessibleName("Run Status");
  grdRunStatus_->setModel(sorted_);
  grdRunStatus_->setSortingEnabled(true);
  grdRunStatus_->sortByColumn(-1, Qt::AscendingOrder);  // list order until a heading is clicked
  grdRunStatus_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdRunStatus_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdRunStatus_->verticalHeader()->hide();
  grdRunStatus_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // Widths from the first rows only: measuring every row of a large run on each refresh would
  // hold up the window thread.
  grdRunStatus_->horizontalHeader()->setResizeContentsPrecision(50);

  lblRunSummary_ = new QLabel(this);
  lblRunSummary_->setObjectName("lblRunSummary");
  // Read out as its text, which changes during the run.
  lblRunSummary_->setAccessibleDescription("Run summary");
  cmdRerunFailed_ = new QPushButton("Re-run Failed", this);
  cmdRerunFailed_->setObjectName("cmdRerunFailed");
  cmdRerunFailed_->setAccessibleName("Re-run Failed");
  cmdRerunFailed_->setEnabled(false);

  auto* bottom = new QHBoxLayout();
  bottom->addWidget(lblRunSummary_, 1);
  bottom->addWidget(cmdRerunFailed_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grdRunStatus_, 1);
  layout->addLayout(bottom);
  resize(640, 360);

  refreshTimer_.setSingleShot(true);
  refreshTimer_.setInterval(RefreshIntervalMs);
  connect(&refreshTimer_, &QTimer::timeout, this, [this] { Refresh(); });
  tickTimer_.setInterval(500);
  connect(&tickTimer_, &QTimer::timeout, this, [this] {
    model_->Tick();
    ShowSummary();
  });
  connect(cmdRerunFailed_, &QPushButton::clicked, this,
          [this] { Q_EMIT rerunFailed(engine::FailedServers(model_->Report())); });
}

RunStatusWindow::~RunStatusWindow() {
  std::lock_guard<std::mutex> lock(changes_->mutex);
  changes_->window = nullptr;
}

engine::ReportRecorder::Listener RunStatusWindow::Listener() const {
  return [changes = changes_](int position) {
    std::lock_guard<std::mutex> lock(changes->mutex);
    changes->positions.push_back(position);
    if (changes->told || changes->window == nullptr) return;
    changes->told = true;
    // Queued while the window is known alive; Qt drops the call if it is deleted before.
    RunStatusWindow* window = changes->window;
    QMetaObject::invokeMethod(
        window,
        [window] {
          if (!window->refreshTimer_.isActive()) window->refreshTimer_.start();
        },
        Qt::QueuedConnection);
  };
}

const engine::RunReport& RunStatusWindow::Report() const {
  return model_->Report();
}

void RunStatusWindow::RunStarted(const engine::ReportRecorder& recorder) {
  {
    std::lock_guard<std::mutex> lock(changes_->mutex);
    changes_->positions.clear();
    changes_->told = false;
  }
  recorder_ = &recorder;
  elapsed_.start();
  model_->Reset(recorder.Snapshot());
  model_->SetRunning(true);
  tickTimer_.start();
  cmdRerunFailed_->setEnabled(false);
  ShowSummary();
}

void RunStatusWindow::RunFinished() {
  refreshTimer_.stop();
  tickTimer_.stop();
  Refresh();
  model_->SetRunning(false);
  recorder_ = nullptr;
  ShowSummary();
}

void RunStatusWindow::Refresh() {
  if (recorder_ == nullptr) return;
  std::vector<int> positions;
  {
    std::lock_guard<std::mutex> lock(changes_->mutex);
    positions.swap(changes_->positions);
    changes_->told = false;
  }
  engine::RunReport report = recorder_->Snapshot();
  std::vector<int> rows;
  rows.reserve(positions.size());
  const int first = report.rows.empty() ? 0 : report.rows.front().position;
  for (int position : positions) rows.push_back(position - first);
  model_->Update(std::move(report), rows);
  ShowSummary();
}

void RunStatusWindow::ShowSummary() {
  engine::RunSummary summary = engine::Summarize(model_->Report());
  // While the run works, the time so far; afterwards the run's own.
  if (IsRunning()) summary.seconds = static_cast<double>(elapsed_.elapsed()) / 1000.0;
  lblRunSummary_->setText(QString::fromStdString(engine::SummaryLine(summary)));
  cmdRerunFailed_->setEnabled(!IsRunning() && summary.failed > 0);
}

}  // namespace pelvane::shell
