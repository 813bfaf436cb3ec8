// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/RunContext.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// Before a run contacts any server: every script (unless the run is a Simple Script query)
/// and every copy file (when the copy step is ticked) can be opened for reading. The error
/// names each one that cannot, in one message. A file that goes away during the run is still
/// reported by the step that needs it, per server.
Status CheckRunFiles(const RunInputs& inputs);

}  // namespace pelvane::engine
