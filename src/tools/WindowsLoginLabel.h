// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace pelvane::tools {

/// Puts "Windows login (NTLM)" (lblWindowsLogin) beside a user-name box that is a row of
/// `form`, shown while the name holds a backslash: FreeTDS then logs in as DOMAIN\user with
/// NTLM rather than as a SQL login.
QLabel* AddWindowsLoginLabel(QFormLayout& form, QLineEdit* userBox);

}  // namespace pelvane::tools
