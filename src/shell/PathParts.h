// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::shell {

enum class PathPart {
  kFile,       // after the last separator (the whole path without one)
  kDirectory,  // up to and including the last separator (empty without one)
  kDrive,      // up to and including the first separator (empty without one)
};

/// A part of a path. "\" and "/" both separate, so paths stored by Windows keep working.
std::string ParsePath(const std::string& path, PathPart part);

}  // namespace pelvane::shell
