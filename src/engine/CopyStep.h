// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/RunContext.h"

namespace pelvane::engine {

/// The copy step for the current server: copies every file of the copy list to the server's
/// "CopyPath", connecting to it first when it is a network folder. Failures are logged and
/// counted in run.anyFailure; the run always goes on.
void RunCopyStep(RunContext& run);

/// Copies one file to the current server's "CopyPath" and logs the outcome. `listSize` is the
/// number of files of the copy list: with two or more, each report is followed by an empty line.
void CopyFileToServer(RunContext& run, bool failIfExists, const std::string& sourcePath,
                      size_t listSize);

}  // namespace pelvane::engine
