// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/Status.h"

namespace pelvane::engine {

/// A list holds at most this many items (script paths, copy files).
constexpr size_t kMaxListItems = 100;

/// Splits a list of paths separated by "|" or by line breaks ("\r\n") into its items, in order,
/// untrimmed; two adjacent separators give an empty item. A list of more than 100 items is
/// refused, so that no step goes on with an earlier list.
Result<std::vector<std::string>> SplitList(const std::string& text);

/// Refuses a path that would not come back from the list as one item: a "|" or a line break
/// would split it, and its second part would be looked up in the working folder. The Vesk SQL
/// dialog and pelvanectl check every path they put into a list with it.
Status CheckListPath(const std::string& path);

}  // namespace pelvane::engine
