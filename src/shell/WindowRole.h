// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace pelvane::shell {

/// Makes every window of ours that is a plain QWidget read as a window by screen readers (as a
/// QDialog or QMainWindow is), not as an anonymous part of one. Safe to call more than once.
void InstallWindowRole();

}  // namespace pelvane::shell
