// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/RunContext.h"

namespace pelvane::engine {

/// Both time-outs of the Simple Script query, in seconds.
constexpr int kSimpleScriptTimeoutSeconds = 60;

/// Runs the Simple Script text on run.server in the login's default database and logs the
/// result table: the column names, then each row, every cell followed by a tab. No rows, no
/// result table or an empty text log nothing; a failure logs one line with its reason.
void RunSimpleScript(RunContext& run);

}  // namespace pelvane::engine
