// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace pelvane::shell {

/// Tells the windows that list servers or groups that the server registry has changed (a
/// server added or removed, a server's group changed), so their lists never offer a server
/// that is gone.
class RegistryNotice : public QObject {
  Q_OBJECT

 public:
  void Tell() { Q_EMIT changed(); }

 Q_SIGNALS:
  void changed();
};

}  // namespace pelvane::shell
