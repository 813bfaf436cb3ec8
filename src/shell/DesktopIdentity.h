// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace pelvane::shell {

/// The desktop id the package installs the program's .desktop file and icons under.
QString DesktopAppId();

/// Names the program's windows with the desktop id, so that a desktop matches them to the
/// installed .desktop file, and gives them the icon: the theme's, else the one built in.
void SetDesktopIdentity();

}  // namespace pelvane::shell
