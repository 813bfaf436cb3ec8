// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QFormLayout>
#include <string>

#include "settings/SettingsStore.h"

namespace pelvane::tools {

/// The server-group and server combos of the service and append-file dialogs: "ALL" and the
/// groups in the order the servers first name them; the group's servers in alphabetical order,
/// none chosen.
class ServerChoice {
 public:
  ServerChoice(settings::SettingsStore& store, QWidget* parent, QFormLayout& form);

  QComboBox* group() const { return cmbServerGroup_; }
  QComboBox* server() const { return cmbServer_; }
  /// The chosen server; empty when none is.
  std::string Server() const { return cmbServer_->currentText().toStdString(); }
  /// Lists the servers of the chosen group again.
  void FillServers();

 private:
  settings::SettingsStore& store_;
  QComboBox* cmbServerGroup_;
  QComboBox* cmbServer_;
};

}  // namespace pelvane::tools
