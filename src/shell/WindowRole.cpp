// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/WindowRole.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace pelvane::shell {

namespace {

/// Qt gives a plain QWidget the role of a client area, which AT-SPI shows as a "filler". Ours
/// is a window while it is one (a tool dialog can move into the main window's MDI area later).
class OwnWidgetAccessible : public QAccessibleWidget {
 public:
  explicit OwnWidgetAccessible(QWidget* widget) : QAccessibleWidget(widget) {}
  QAccessible::Role role() const override {
    return widget()->isWindow() ? QAccessible::Window : QAccessible::Client;
  }
};

// Asked for each class of an object from the most derived up; "QWidget" is reached only when no
// class below it has an accessible interface of its own.
QAccessibleInterface* OwnWidgetFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("QWidget") || !object->isWidgetType()) return nullptr;
  // Qt's own widgets keep what Qt gives them.
  if (!QLatin1String(object->metaObject()->className()).startsWith(QLatin1String("pelvane::")))
    return nullptr;
  return new OwnWidgetAccessible(static_cast<QWidget*>(object));
}

}  // namespace

void InstallWindowRole() {
  QAccessible::removeFactory(OwnWidgetFactory);
  QAccessible::installFactory(OwnWidgetFactory);
}

}  // namespace pelvane::shell
