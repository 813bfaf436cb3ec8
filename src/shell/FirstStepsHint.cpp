// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/FirstStepsHint.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPalette>
#include <QTimer>
#include <algorithm>

namespace pelvane::shell {

FirstStepsHint::FirstStepsHint(QMdiArea& area) : QLabel(area.viewport()), area_(area) {
  setObjectName("lblFirstSteps");
  // Read out as its text (the two steps); the caption only describes it.
  setAccessibleDescription("First steps");
  setText(
      "<p>To add servers: <a href=\"servers\">Servers &gt; Configure Servers</a></p>"
      "<p>To run scripts: <a href=\"vesk\">Vesk &gt; Vesk SQL</a></p>");
  setTextFormat(Qt::RichText);
  setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  setFocusPolicy(Qt::StrongFocus);
  // Readable on the area's dark background.
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, Qt::white);
  colours.setColor(QPalette::Link, QColor(160, 210, 255));
  setPalette(colours);
  QFont larger = font();
  larger.setPointSizeF(larger.pointSizeF() * 1.2);
  setFont(larger);
  area.viewport()->installEventFilter(this);
  Follow();
}

bool FirstStepsHint::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Resize:
      Follow();
      break;
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
      // A child window is not yet (or still) listed while the event is delivered.
      QTimer::singleShot(0, this, [this] { Follow(); });
      break;
    default:
      break;
  }
  return QLabel::eventFilter(watched, event);
}

void FirstStepsHint::Follow() {
  const bool empty = area_.subWindowList().isEmpty();
  setVisible(empty);
  if (!empty) return;
  adjustSize();
  const QSize room = area_.viewport()->size();
  move(std::max(0, (room.width() - width()) / 2), std::max(0, (room.height() - height()) / 3));
}

}  // namespace pelvane::shell
