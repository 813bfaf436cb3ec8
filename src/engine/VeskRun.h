#pragma once

#include <cstdint>

#include "engine/RunContext.h"

namespace pelvane::engine {

/// How a vesk run ended.
struct RunOutcome {
  enum class Kind {
    kRefused,     // a validation message was shown; nothing ran
    kCompleted,   // every server from startIndex on was processed
    kStopped,     // break and display: stopped after the server that broke; the next run
                  // starts at NextServerIndex
    kEndedEarly,  // end and display, a cancelled question or a missing query tool
  };
  Kind kind = Kind::kRefused;
  bool anyFailure = false;  // a script was UNSUCCESSFUL or a step failed
};

/// The vesk run over the Process Servers list from the 1-based startIndex on: for each server
/// its scripts (or the Simple Script query), then the copy, append and service steps as ticked.
/// NextServerIndex is where the next press of the run button starts: the break policy sets it
/// to the server after the one that broke, a run that reaches the end without a break to 1.
RunOutcome RunVesk(int startIndex, RunContext& run, int16_t& NextServerIndex);

}  // namespace pelvane::engine
