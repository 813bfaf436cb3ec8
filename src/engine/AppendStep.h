// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "engine/DateTimeFormat.h"
#include "engine/RunContext.h"
#include "engine/ports/LogWindow.h"
#include "engine/ports/RemoteClock.h"

namespace pelvane::engine {

/// The append step for the current server: appends the Append Text window's text, with its
/// date/time keywords filled from the chosen clock, to the server's "AppendToFile".
/// kEndRun when the keyword question is cancelled.
StepEnd RunAppendStep(RunContext& run);

/// The current date and time of a machine in this machine's time zone; a blank name is this
/// machine. When it cannot be read, the reason goes straight into the log window (also when the
/// log is deferred) and there is no value.
std::optional<LocalDateTime> GetRemoteTime(RemoteClock& clock, LogWindow& window,
                                           const std::string& server);

}  // namespace pelvane::engine
