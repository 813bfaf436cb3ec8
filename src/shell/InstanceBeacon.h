// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <string>

namespace pelvane::shell {

/// The running copy's ear for a second start on the same settings file: a local socket named
/// after that file (and the user), on which a second start asks it to come to the front.
class InstanceBeacon : public QObject {
  Q_OBJECT

 public:
  /// Listens; only the copy that holds the single-instance lock makes one.
  explicit InstanceBeacon(const std::string& settingsFile);
  bool Listening() const { return server_.isListening(); }

 Q_SIGNALS:
  /// A second start asked for the main window.
  void showRequested();

 private:
  QLocalServer server_;
};

/// The socket name for a settings file: the same for every path that names it.
QString BeaconName(const std::string& settingsFile);

/// For a second start: asks the running copy to bring its window to the front. False when no
/// copy answered within a second.
bool AskRunningCopyToShow(const std::string& settingsFile);

}  // namespace pelvane::shell
