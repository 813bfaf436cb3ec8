// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/MergedResultsWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include "settings/FileIo.h"

namespace pelvane::shell {

namespace {

constexpr char kTitle[] = "Simple Script Results";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

/// A cell that sorts as a number when both cells hold numbers, as text otherwise.
class GridItem : public QTableWidgetItem {
 public:
  using QTableWidgetItem::QTableWidgetItem;
  bool operator<(const QTableWidgetItem& other) const override {
    bool mine = false, theirs = false;
    const double a = text().toDouble(&mine), b = other.text().toDouble(&theirs);
    if (mine && theirs) return a < b;
    return text().compare(other.text(), Qt::CaseInsensitive) < 0;
  }
};

QTableWidget* SectionTable(const engine::GridSection& section, int number, QWidget* parent) {
  auto* table = new QTableWidget(static_cast<int>(section.rows.size()),
                                 static_cast<int>(section.columns.size()), parent);
  const QString suffix = number == 1 ? QString() : QString::number(number);
  table->setObjectName("grdMergedResults" + suffix);
  table->setAccessibleName(number == 1 ? QString("Results") : "Results " + suffix);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  table->setMinimumHeight(160);
  QStringList headings;
  for (const std::string& column : section.columns) headings << Q(column);
  table->setHorizontalHeaderLabels(headings);
  for (size_t r = 0; r < section.rows.size(); ++r) {
    const std::vector<std::string>& row = section.rows[r];
    for (size_t c = 0; c < row.size() && c < section.columns.size(); ++c)
      table->setItem(static_cast<int>(r), static_cast<int>(c), new GridItem(Q(row[c])));
  }
  table->resizeColumnsToContents();
  // Server order until a heading is clicked: no sort column when sorting is switched on, as
  // the table would otherwise sort itself at once, and for good.
  table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  table->setSortingEnabled(true);
  return table;
}

}  // namespace

MergedResultsWindow::MergedResultsWindow(Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Window), prompter_(prompter) {
  setObjectName("frmMergedResults");
  setWindowTitle(kTitle);
  setAccessibleName(kTitle);

  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("scrMergedResults");
  scroll->setAccessibleName(kTitle);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget(scroll);
  sections_ = new QVBoxLayout(content);
  sections_->setContentsMargins(0, 0, 0, 0);
  scroll->setWidget(content);

  cmdCopyResults_ = new QPushButton("Copy", this);
  cmdCopyResults_->setObjectName("cmdCopyResults");
  cmdCopyResults_->setAccessibleName("Copy");
  cmdExportCsv_ = new QPushButton("Export CSV...", this);
  cmdExportCsv_->setObjectName("cmdExportCsv");
  cmdExportCsv_->setAccessibleName("Export CSV...");
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  buttons->addWidget(cmdCopyResults_);
  buttons->addWidget(cmdExportCsv_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addLayout(buttons);
  resize(640, 420);

  connect(cmdCopyResults_, &QPushButton::clicked, this, [this] { CopyToClipboard(); });
  connect(cmdExportCsv_, &QPushButton::clicked, this, [this] { ExportCsv(); });
}

void MergedResultsWindow::SetGrid(const engine::MergedGrid& grid) {
  // The last run's tables go now, so that their names are free for the new ones.
  while (QLayoutItem* item = sections_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  tables_.clear();
  notes_.clear();
  QWidget* content = sections_->parentWidget();
  int number = 0;
  for (const engine::GridSection& section : grid.sections) {
    ++number;
    if (!section.note.empty()) {
      auto* note = new QLabel(Q(section.note), content);
      note->setObjectName("lblSectionNote" + QString::number(number));
      note->setWordWrap(true);
      sections_->addWidget(note);
    }
    tables_.push_back(SectionTable(section, number, content));
    notes_.push_back(section.note);
    sections_->addWidget(tables_.back(), 1);
  }
  if (grid.sections.empty()) {
    auto* none = new QLabel("No server returned rows.", content);
    none->setObjectName("lblNoResults");
    sections_->addWidget(none);
  }
  sections_->addStretch(0);
  const bool any = !grid.sections.empty();
  cmdCopyResults_->setEnabled(any);
  cmdExportCsv_->setEnabled(any);
}

engine::MergedGrid MergedResultsWindow::ShownGrid() const {
  engine::MergedGrid grid;
  for (size_t i = 0; i < tables_.size(); ++i) {
    const QTableWidget& table = *tables_[i];
    engine::GridSection section;
    section.note = notes_[i];
    for (int c = 0; c < table.columnCount(); ++c)
      section.columns.push_back(table.horizontalHeaderItem(c)->text().toStdString());
    for (int r = 0; r < table.rowCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < table.columnCount(); ++c) {
        const QTableWidgetItem* item = table.item(r, c);
        row.push_back(item != nullptr ? item->text().toStdString() : std::string());
      }
      section.rows.push_back(std::move(row));
    }
    grid.sections.push_back(std::move(section));
  }
  return grid;
}

void MergedResultsWindow::CopyToClipboard() const {
  std::string text;
  for (const engine::GridSection& section : ShownGrid().sections)
    text += (text.empty() ? "" : "\n") + engine::GridSectionToTabText(section);
  QApplication::clipboard()->setText(Q(text));
}

void MergedResultsWindow::ExportCsv() {
  const std::string path =
      prompter_.PickSaveFile(FileSave{"Export CSV", "results.csv", "CSV files (*.csv)"});
  if (path.empty()) return;
  const std::string csv = engine::MergedGridToCsv(ShownGrid());
  if (Result<settings::FileStamp> written = settings::ReplaceFileAtName(path, csv); !written) {
    prompter_.Message(
        "The results could not be written to " + path + ": " + written.status().message(), kTitle,
        engine::MessageIcon::kCritical);
  }
}

}  // namespace pelvane::shell
