// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/DesktopIdentity.h"

#include <QGuiApplication>
#include <QIcon>

namespace pelvane::shell {

QString DesktopAppId() {
  return QStringLiteral(PELVANE_APP_ID);
}

void SetDesktopIdentity() {
  QGuiApplication::setDesktopFileName(DesktopAppId());
  QGuiApplication::setWindowIcon(
      QIcon::fromTheme(DesktopAppId(), QIcon(QStringLiteral(":/icons/pelvane-256.png"))));
}

}  // namespace pelvane::shell
