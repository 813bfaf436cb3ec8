#pragma once

#include <string>
#include <vector>

#include "engine/RunContext.h"
#include "settings/SettingsStore.h"

namespace pelvane::engine {

/// The run's inputs as the Vesk SQL dialog and its two editor windows last stored them: script
/// and copy lists, the four boxes, the Simple Script text and mode, the Append Text window's
/// text and box. The Process Servers list is not stored; it stays empty.
RunInputs LoadStoredRunInputs(const settings::SettingsStore& store);

/// Orders servers as the Process Servers list box shows them: alphabetically, without regard to
/// case, duplicates kept once.
std::vector<std::string> SortedAsListBox(std::vector<std::string> servers);

}  // namespace pelvane::engine
