// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>

#include "engine/ServerAdmin.h"
#include "settings/ServerRegistry.h"
#include "shell/MainWindow.h"
#include "shell/ShellFixture.h"
#include "support/StandinServer.h"
#include "tools/CheckConnectionsWindow.h"

namespace pelvane::shell {
namespace {

// The Servers menu opens the window; the row comes back from the worker (BackgroundTasksTest
// proves the window thread never waits for it).
TEST(CheckConnectionsTest, ServersMenuFillsARowPerServer) {
  testing::StandinServer standin;
  ShellFixture f;
  ASSERT_TRUE(settings::ServerRegistry(f.store).AddServer(standin.server(), "prod"));
  ASSERT_TRUE(engine::SaveSqlLogin(f.store, f.keyring, standin.server(),
                                   {"sa", "Secret1", "pubs", "prod"}));
  MainWindow window(f.context);
  window.show();
  window.findChild<QAction*>("mnCheckConnections")->trigger();
  auto* check = window.findChild<tools::CheckConnectionsWindow*>("frmCheckConnections");
  ASSERT_NE(check, nullptr);
  QSignalSpy finished(check, &tools::CheckConnectionsWindow::checkFinished);
  ASSERT_TRUE(finished.wait(20000));
  auto* table = Control<QTableWidget>(*check, "grdConnections");
  ASSERT_EQ(table->rowCount(), 1);
  EXPECT_EQ(table->item(0, 0)->text().toStdString(), standin.server());
  EXPECT_EQ(table->item(0, 1)->text(), "OK");
  EXPECT_EQ(table->item(0, 4)->text(), "pubs");
  EXPECT_EQ(Control<QLabel>(*check, "lblCheckSummary")->text(), "1 of 1 servers OK.");
  // It opens wide enough for every column.
  EXPECT_LE(table->horizontalHeader()->length(), table->viewport()->width());
}

}  // namespace
}  // namespace pelvane::shell
