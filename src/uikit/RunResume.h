// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/RunContext.h"

namespace pelvane::shell {

/// Whether a run stopped with the inputs `then` may go on with `now` from the server after the
/// one it stopped at: the same servers in the same order, scripts, copy files and steps.
bool MayContinueWith(const engine::RunInputs& then, const engine::RunInputs& now);

}  // namespace pelvane::shell
