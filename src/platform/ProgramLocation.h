// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::platform {

/// The folder that holds the running executable.
std::string ProgramFolder();

/// The settings file the desktop program and pelvanectl use by default: beside the programs,
/// or in the user's configuration folder when the programs' folder is not writable (that
/// folder is created when missing).
std::string DefaultSettingsFile();

}  // namespace pelvane::platform
