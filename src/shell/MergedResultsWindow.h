// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "engine/MergedGrid.h"
#include "uikit/Prompter.h"

class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace pelvane::shell {

/// The Simple Script results of every server as one grid (frmMergedResults): a table per
/// section of the merged grid, each after the first under its note; sortable, copied to the
/// clipboard as tab-separated text, exported as CSV. Both take the tables as they are sorted.
class MergedResultsWindow : public QWidget {
  Q_OBJECT

 public:
  MergedResultsWindow(Prompter& prompter, QWidget* parent = nullptr);

  void SetGrid(const engine::MergedGrid& grid);
  /// The grid as the tables show it now, in their sort order.
  engine::MergedGrid ShownGrid() const;

  /// "Copy": every section as tab-separated text, sections parted by an empty line.
  void CopyToClipboard() const;
  /// "Export CSV...": asks for a file and writes the grid there in one piece.
  void ExportCsv();

 private:
  Prompter& prompter_;
  QVBoxLayout* sections_ = nullptr;
  std::vector<QTableWidget*> tables_;
  std::vector<std::string> notes_;
  QPushButton* cmdCopyResults_ = nullptr;
  QPushButton* cmdExportCsv_ = nullptr;
};

}  // namespace pelvane::shell
