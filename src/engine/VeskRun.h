// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "engine/RunContext.h"

namespace pelvane::engine {

/// How a vesk run ended.
struct RunOutcome {
  enum class Kind {
    kRefused,     // a validation message was shown; nothing ran
    kCompleted,   // every server from startIndex on was processed
    kStopped,     // break and display, or the user's stop: stopped after the server that broke
                  // or was in progress; the next run starts at NextServerIndex
    kEndedEarly,  // end and display, a cancelled question or a missing query tool
  };
  Kind kind = Kind::kRefused;
  bool anyFailure = false;  // a script was UNSUCCESSFUL or a step failed
  /// Where the next press of the run button starts: the server after the one that broke or
  /// after which the user stopped, 1 after a run that reached the end, else unchanged.
  int16_t NextServerIndex = 1;
  /// The program-wide values the run re-read from the settings file, for the window to keep.
  int16_t WhenOccurs = 1;
  int16_t RefreshLogWindow = 1;
};

/// The vesk run over the Process Servers list from the 1-based startIndex on: for each server
/// its scripts (or the Simple Script query), then the copy, append and service steps as ticked.
/// The run's own state (the per-server values, WhenOccurs, RefreshLogWindow) lives in `run`;
/// the outcome hands back what the window keeps. A stop requested through run.control ends the
/// run after the server in progress, as a break does; an exception that escapes a server's
/// steps is shown as the run's general error and the run goes on with the next server.
RunOutcome RunVesk(int startIndex, RunContext& run);

}  // namespace pelvane::engine
