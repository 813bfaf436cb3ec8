// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/CheckConnectionsWindow.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLayout>
#include <QMdiSubWindow>
#include <QMetaObject>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "settings/ServerRegistry.h"

namespace pelvane::tools {

namespace {

constexpr int kParallel = 1;  // the window's SQL client serves one thread at a time
constexpr int kQuerySeconds = 30;
constexpr int kDetailWidth = 220;
constexpr int kRowsShown = 8;  // rows the window opens tall enough for

enum Column { kServer, kCause, kDetail, kVersion, kDatabase, kEncrypted, kTls, kColumns };

QTableWidgetItem* Cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

CheckConnectionsWindow::CheckConnectionsWindow(shell::ShellContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName("frmCheckConnections");
  setWindowTitle("Check Connections");
  setAccessibleName("Check Connections");
  grdConnections_ = new QTableWidget(0, kColumns, this);
  grdConnections_->setObjectName("grdConnections");
  grdConnections_->setAccessibleName("Connections");
  grdConnections_->setHorizontalHeaderLabels(
      {"Server", "Result", "Detail", "Version", "Database", "Encrypted", "TLS"});
  grdConnections_->verticalHeader()->hide();
  lblCheckSummary_ = new QLabel(this);
  lblCheckSummary_->setObjectName("lblCheckSummary");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grdConnections_);
  layout->addWidget(lblCheckSummary_);

  settings::ServerRegistry registry(context_.store);
  std::vector<std::string> servers = registry.FillServerList(std::string());
  grdConnections_->setRowCount(static_cast<int>(servers.size()));
  for (size_t i = 0; i < servers.size(); ++i)
    grdConnections_->setItem(static_cast<int>(i), kServer, Cell(servers[i]));
  // Every heading and server name whole; the detail of a failure takes the room left.
  grdConnections_->resizeColumnsToContents();
  grdConnections_->horizontalHeader()->setSectionResizeMode(kDetail, QHeaderView::Stretch);
  if (servers.empty()) {
    lblCheckSummary_->setText("No server to check.");
    return;
  }
  lblCheckSummary_->setText("Checking...");
  setCursor(Qt::BusyCursor);
  checking_ = true;
  engine::SqlClient& sql = context_.ports.sql;
  settings::SettingsStore& store = context_.store;
  engine::Keyring& keyring = context_.ports.keyring;
  context_.background.Run(
      this,
      // The logins are read on the worker too, since the keyring may keep a caller waiting.
      [&sql, &store, &keyring, window = this, servers = std::move(servers),
       stop = stop_](const shell::Poster& post) -> std::string {
        Result<std::vector<engine::SqlTarget>> targets =
            engine::ConnectionCheckTargets(store, keyring, servers);
        if (!targets) return targets.status().message();
        engine::CheckConnections(
            [&sql] { return std::shared_ptr<engine::SqlClient>(&sql, [](engine::SqlClient*) {}); },
            *targets, kParallel, kQuerySeconds,
            [&post, window](size_t index, const engine::ConnectionCheckRow& row) {
              // Runs on the window thread, and only while the window lives.
              post([window, index, row] { window->ShowRow(index, row); });
            },
            stop.get());
        return std::string();
      },
      [this](const std::string& failure) { Finished(failure); });
}

QSize CheckConnectionsWindow::sizeHint() const {
  // Every column side by side, as many rows as there are servers up to kRowsShown.
  const int frame = 2 * grdConnections_->frameWidth();
  const int rows = std::clamp(grdConnections_->rowCount(), 1, kRowsShown);
  const QHeaderView* header = grdConnections_->horizontalHeader();
  int columns = kDetailWidth;
  for (int c = 0; c < kColumns; ++c)
    if (c != kDetail) columns += header->sectionSize(c);
  const int tableWidth = columns + frame + grdConnections_->verticalScrollBar()->sizeHint().width();
  const int tableHeight = header->sizeHint().height() +
                          rows * grdConnections_->verticalHeader()->defaultSectionSize() + frame +
                          grdConnections_->horizontalScrollBar()->sizeHint().height();
  const QMargins margins = layout()->contentsMargins();
  return {tableWidth + margins.left() + margins.right(), tableHeight + layout()->spacing() +
                                                             lblCheckSummary_->sizeHint().height() +
                                                             margins.top() + margins.bottom()};
}

CheckConnectionsWindow::~CheckConnectionsWindow() {
  *stop_ = true;
}

void CheckConnectionsWindow::ShowRow(size_t index, const engine::ConnectionCheckRow& row) {
  const int r = static_cast<int>(index);
  if (r >= grdConnections_->rowCount()) return;
  grdConnections_->setItem(r, kCause, Cell(engine::ConnectionCauseText(row.cause)));
  grdConnections_->setItem(r, kDetail, Cell(row.detail));
  grdConnections_->setItem(r, kVersion, Cell(row.version));
  grdConnections_->setItem(r, kDatabase, Cell(row.database));
  grdConnections_->setItem(r, kEncrypted, Cell(row.encrypted));
  grdConnections_->setItem(r, kTls, Cell(row.tlsVersion));
}

void CheckConnectionsWindow::Finished(const std::string& failure) {
  checking_ = false;
  unsetCursor();
  int ok = 0;
  for (int r = 0; r < grdConnections_->rowCount(); ++r) {
    QTableWidgetItem* cause = grdConnections_->item(r, kCause);
    ok += cause != nullptr && cause->text() == "OK";
  }
  lblCheckSummary_->setText(
      !failure.empty() ? QString::fromStdString(failure)
                       : QString("%1 of %2 servers OK.").arg(ok).arg(grdConnections_->rowCount()));
  Q_EMIT checkFinished();
  if (!closeAfterCheck_) return;
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (frame != nullptr) {
    frame->close();
  } else {
    close();
  }
}

void CheckConnectionsWindow::closeEvent(QCloseEvent* event) {
  if (IsChecking()) {
    // Stop before the next server; the window closes once the one in progress has answered.
    *stop_ = true;
    closeAfterCheck_ = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace pelvane::tools
