// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace pelvane::shell {

/// Gives every label of the window that names a field (it has a buddy) an access key, so that
/// Alt and the letter reach the field: the first letter of a word, else any letter, that no
/// other label or button of the window uses yet. A caption that has one keeps it.
void GiveAccessKeys(QWidget& window);

}  // namespace pelvane::shell
