// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "standin/sql/BatchEvents.h"

namespace pelvane::standin::testing {

/// Events written as short lines, so that a test can compare a whole batch at once:
///   "cols id:int name:text" then "row 1|'alpha'", "info 0/0 L1: text",
///   "error 208/16/1 L2 proc: text", "done 3" / "done" / "done error", "use master>pubs".
std::vector<std::string> Transcript(const std::vector<BatchEvent>& events);

}  // namespace pelvane::standin::testing
