// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace pelvane::querytool {

/// Splits a script into the batches sent to the server, one at a time. A separator is a line
/// holding only GO (any case, blanks around it), wherever it stands, as the classic tools split:
/// an unclosed quote or comment in one batch then fails that batch alone, and the batches after
/// it still run. Batches keep their text as written; blank batches are dropped.
std::vector<std::string> SplitBatches(const std::string& script);

}  // namespace pelvane::querytool
