// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/RunContext.h"
#include "engine/RunReport.h"

namespace pelvane::engine {

/// The status board's columns for a run of these inputs: the Simple Script query alone in
/// Simple Script mode, otherwise each script of the list and each step that is switched on.
ReportColumns ReportColumnsFor(const RunInputs& inputs);

}  // namespace pelvane::engine
