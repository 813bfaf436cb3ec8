// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/RunStatusModel.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <utility>

namespace pelvane::shell {

namespace {

constexpr char kRunningText[] = "RUNNING";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QBrush VerdictBrush(engine::Verdict verdict) {
  switch (verdict) {
    case engine::Verdict::kSucceeded:
      return QColor(198, 239, 206);
    case engine::Verdict::kFailed:
      return QColor(255, 199, 206);
    case engine::Verdict::kNotRun:
      break;
  }
  return QColor(224, 224, 224);
}

engine::Verdict LoginVerdict(engine::LoginResult login) {
  switch (login) {
    case engine::LoginResult::kNotChecked:
      return engine::Verdict::kNotRun;
    case engine::LoginResult::kAccepted:
      return engine::Verdict::kSucceeded;
    default:
      return engine::Verdict::kFailed;
  }
}

/// "Msg 208, Level 16: Invalid object name 'x'." as the query tool reported it.
QString ScriptError(const engine::ScriptCell& cell) {
  if (cell.errorNumber == 0) return Q(cell.error);
  return QString("Msg %1, Level %2: %3")
      .arg(cell.errorNumber)
      .arg(cell.severity)
      .arg(Q(cell.error));
}

}  // namespace

QString ScriptHeading(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return Q(slash == std::string::npos ? path : path.substr(slash + 1));
}

void RunStatusModel::BuildColumns() {
  using Kind = Column::Kind;
  columns_ = {{Kind::kServer}, {Kind::kResult}, {Kind::kLogin}};
  for (size_t i = 0; i < report_.columns.scripts.size(); ++i)
    columns_.push_back({Kind::kScript, i});
  for (engine::StepKind step : engine::kAllSteps)
    if (report_.columns.Includes(step)) columns_.push_back({Kind::kStep, 0, step});
  columns_.push_back({Kind::kSeconds});
}

void RunStatusModel::Reset(engine::RunReport report) {
  beginResetModel();
  report_ = std::move(report);
  BuildColumns();
  clock_.start();
  startedMs_.assign(report_.rows.size(), -1);
  std::vector<int> all(report_.rows.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  NoteProgress(all);
  endResetModel();
}

void RunStatusModel::NoteProgress(const std::vector<int>& rows) {
  for (int r : rows) {
    if (r < 0 || r >= static_cast<int>(startedMs_.size())) continue;
    qint64& started = startedMs_[static_cast<size_t>(r)];
    if (!report_.rows[static_cast<size_t>(r)].inProgress)
      started = -1;
    else if (started < 0)
      started = clock_.elapsed();
  }
}

std::optional<double> RunStatusModel::SecondsInProgress(int row) const {
  if (!running_ || row < 0 || row >= static_cast<int>(startedMs_.size())) return std::nullopt;
  const qint64 started = startedMs_[static_cast<size_t>(row)];
  if (started < 0) return std::nullopt;
  return static_cast<double>(clock_.elapsed() - started) / 1000.0;
}

void RunStatusModel::SetRunning(bool running) {
  running_ = running;
  if (rowCount() > 0) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void RunStatusModel::Tick() {
  for (size_t r = 0; r < startedMs_.size(); ++r) {
    if (startedMs_[r] < 0) continue;
    const int row = static_cast<int>(r);
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
  }
}

void RunStatusModel::Update(engine::RunReport report, const std::vector<int>& changedRows) {
  if (report.rows.size() != report_.rows.size()) {
    Reset(std::move(report));
    return;
  }
  report_ = std::move(report);
  NoteProgress(changedRows);
  if (changedRows.empty()) return;
  // One signal over the span: the sorting proxy re-sorts once, not once per row.
  const auto [low, high] = std::minmax_element(changedRows.begin(), changedRows.end());
  Q_EMIT dataChanged(index(*low, 0), index(*high, columnCount() - 1));
}

int RunStatusModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(report_.rows.size());
}

int RunStatusModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RunStatusModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= columnCount())
    return QAbstractTableModel::headerData(section, orientation, role);
  const Column& column = columns_[static_cast<size_t>(section)];
  switch (column.kind) {
    case Column::Kind::kServer:
      return "Server";
    case Column::Kind::kResult:
      return "Result";
    case Column::Kind::kLogin:
      return "Login";
    case Column::Kind::kScript:
      return ScriptHeading(report_.columns.scripts[column.script]);
    case Column::Kind::kStep:
      return Q(engine::StepName(column.step));
    case Column::Kind::kSeconds:
      break;
  }
  return "Seconds";
}

QVariant RunStatusModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
  const engine::ServerRow& row = report_.rows[static_cast<size_t>(index.row())];
  const Column& column = columns_[static_cast<size_t>(index.column())];
  QString text, tip;
  QVariant sortValue;
  std::optional<engine::Verdict> verdict;
  const std::optional<double> inProgress = SecondsInProgress(index.row());
  bool running = false;
  switch (column.kind) {
    case Column::Kind::kServer:
      text = Q(row.server);
      sortValue = row.position;  // list order
      break;
    case Column::Kind::kResult:
      verdict = row.result;
      text = Q(engine::VerdictName(row.result));
      tip = Q(row.error);
      if (inProgress && row.result == engine::Verdict::kNotRun) {
        text = kRunningText;
        running = true;
      }
      break;
    case Column::Kind::kLogin:
      verdict = LoginVerdict(row.login);
      text = Q(engine::LoginResultName(row.login));
      tip = Q(row.loginError);
      break;
    case Column::Kind::kScript: {
      const engine::ScriptCell& cell = row.scripts[column.script];
      verdict = cell.verdict;
      text = Q(engine::VerdictName(cell.verdict));
      tip = ScriptError(cell);
      break;
    }
    case Column::Kind::kStep: {
      const engine::StepCell& cell = row.Step(column.step);
      verdict = cell.verdict;
      text = Q(engine::VerdictName(cell.verdict));
      tip = Q(cell.detail);
      break;
    }
    case Column::Kind::kSeconds:
      text = QString::number(inProgress.value_or(row.seconds), 'f', 1);
      sortValue = inProgress.value_or(row.seconds);
      break;
  }
  switch (role) {
    case Qt::DisplayRole:
      return text;
    case Qt::ToolTipRole:
      return tip.isEmpty() ? QVariant() : QVariant(tip);
    case Qt::BackgroundRole:
      if (running) return QBrush(QColor(255, 235, 156));
      return verdict ? QVariant(VerdictBrush(*verdict)) : QVariant();
    case SortRole:
      return sortValue.isValid() ? sortValue : QVariant(text);
    default:
      return {};
  }
}

}  // namespace pelvane::shell
