// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::settings {

/// The C library's text for an errno value. Through strerror_r: strerror's buffer is shared by
/// every thread, and runs work side by side.
std::string ErrnoText(int error);

}  // namespace pelvane::settings
