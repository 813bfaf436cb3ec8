// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

class QMdiArea;

namespace pelvane::shell {

/// The two first steps shown in the main window's empty area while no child window is open:
/// how to add servers and how to run scripts, each a link (linkActivated gives "servers" or
/// "vesk") that opens that window.
class FirstStepsHint : public QLabel {
  Q_OBJECT

 public:
  explicit FirstStepsHint(QMdiArea& area);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  /// Shown, centred, exactly while the area holds no child window.
  void Follow();

  QMdiArea& area_;
};

}  // namespace pelvane::shell
