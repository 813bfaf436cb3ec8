// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <optional>
#include <vector>

#include "engine/RunReport.h"

namespace pelvane::shell {

/// The status board's grid: one row per server; "Server", "Result", "Login", one column per
/// script (its file name), one per included step, "Seconds". The display text is the verdict
/// word or the login result, the background its colour, the tool tip the error. SortRole gives
/// the value to sort by (seconds as numbers).
class RunStatusModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int SortRole = Qt::UserRole;

  using QAbstractTableModel::QAbstractTableModel;

  /// A new run: rows and columns as in report.
  void Reset(engine::RunReport report);
  /// The same run later on: the rows at these 0-based indexes changed (the others are taken as
  /// they are too, but only these are announced).
  void Update(engine::RunReport report, const std::vector<int>& changedRows);
  const engine::RunReport& Report() const { return report_; }
  /// While a run works, a server in progress reads "RUNNING" with its time so far.
  void SetRunning(bool running);
  /// Announces the rows in progress again, so that their time goes on.
  void Tick();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  /// What a column shows: a fixed column, a script by its index, or a step.
  struct Column {
    enum class Kind { kServer, kResult, kLogin, kScript, kStep, kSeconds } kind;
    size_t script = 0;
    engine::StepKind step = engine::StepKind::kSimpleScript;
  };
  void BuildColumns();
  /// Notes when the rows at these indexes began, or that they are no longer in progress.
  void NoteProgress(const std::vector<int>& rows);
  /// The seconds the row's server has been in progress, or nothing.
  std::optional<double> SecondsInProgress(int row) const;

  engine::RunReport report_;
  std::vector<Column> columns_;
  bool running_ = false;
  QElapsedTimer clock_;
  std::vector<qint64> startedMs_;  // per row, on clock_; -1 when not in progress
};

/// The name of a script as a column heading: the file name without its folder.
QString ScriptHeading(const std::string& path);

}  // namespace pelvane::shell
