// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ServerChoice.h"

#include <QStringList>
#include <algorithm>

#include "settings/ProfileText.h"
#include "settings/ServerRegistry.h"
#include "tools/ToolWindowFrame.h"

namespace pelvane::tools {

ServerChoice::ServerChoice(settings::SettingsStore& store, QWidget* parent, QFormLayout& form)
    : store_(store),
      cmbServerGroup_(Named(new QComboBox(parent), "cmbServerGroup", "Server Group:")),
      cmbServer_(Named(new QComboBox(parent), "cmbServer", "Server:")) {
  form.addRow(FieldLabel("Server Group:", cmbServerGroup_, parent), cmbServerGroup_);
  form.addRow(FieldLabel("Server:", cmbServer_, parent), cmbServer_);
  cmbServer_->setMinimumWidth(220);
  cmbServerGroup_->addItem(settings::kAllGroup);
  settings::ServerRegistry registry(store_);
  for (const std::string& group : registry.GroupList(/*upperCase=*/false)) {
    if (cmbServerGroup_->findText(QString::fromStdString(group), Qt::MatchExactly) < 0)
      cmbServerGroup_->addItem(QString::fromStdString(group));
  }
  cmbServerGroup_->setCurrentIndex(0);
  FillServers();
  QObject::connect(cmbServerGroup_, &QComboBox::activated, parent, [this] { FillServers(); });
}

void ServerChoice::FillServers() {
  settings::ServerRegistry registry(store_);
  std::vector<std::string> servers =
      registry.FillServerList(settings::AsciiUpper(cmbServerGroup_->currentText().toStdString()));
  std::sort(servers.begin(), servers.end());
  cmbServer_->clear();
  for (const std::string& server : servers) cmbServer_->addItem(QString::fromStdString(server));
  cmbServer_->setCurrentIndex(-1);
}

}  // namespace pelvane::tools
