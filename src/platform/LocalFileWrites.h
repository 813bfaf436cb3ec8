// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "settings/Status.h"

namespace pelvane::platform {

/// Copies and appends on this machine's own file system, for destinations that are not on a
/// network share. Only absolute paths ("/...") name something here; a drive letter does not.
/// Errors: 53 for a missing source, 58 for an existing destination with failIfExists, 76 for a
/// missing folder or a path that is not absolute, 75 for any other refusal.
Status CopyLocalFile(const std::string& source, const std::string& destination, bool failIfExists);

/// Writes the text and "\r\n" at the end of a local file, creating it when missing. Errors as
/// CopyLocalFile's.
Status AppendLocalText(const std::string& path, const std::string& text);

}  // namespace pelvane::platform
