// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/MessageLog.h"
#include "engine/VeskRun.h"
#include "settings/Status.h"

namespace pelvane::cli {

/// What becomes of the log once a run of pelvanectl is over, beyond what the run did itself.
/// A run that ended early shows the lines it collected in deferred mode, as a live run would
/// have shown them: no next run will. An interrupted run (interruptSignal SIGINT or SIGTERM,
/// 0 for none) then says so in the log, and one that ended before saving its log appends it to
/// the log file, so that the servers already done can be told from the rest. The result is that
/// of writing the log file.
Status FinishRunLog(engine::MessageLog& log, engine::RunOutcome::Kind kind, int interruptSignal,
                    const std::string& logFile);

}  // namespace pelvane::cli
