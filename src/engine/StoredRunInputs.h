// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/RunContext.h"
#include "settings/SettingsStore.h"

namespace pelvane::engine {

/// A check box as stored ("Pelvane"/"CopyFile", "SimpleScript"/"OpenScript", ...): empty reads
/// as 0, any other text is converted to an integer as classic BASIC converts it (blanks, sign,
/// a fraction rounded half to even, "&H" literals); the box is set when that integer is 1.
/// Text that is no such number leaves the box clear. The dialog, its editor windows and a run
/// without a window all read the boxes through this one function.
bool StoredBoxSet(const settings::SettingsStore& store, const char* section, const char* key);

/// The run's inputs as the Vesk SQL dialog and its two editor windows last stored them: script
/// and copy lists, the four boxes, the Simple Script text and mode, the Append Text window's
/// text and box. The Process Servers list is not stored; it stays empty.
RunInputs LoadStoredRunInputs(const settings::SettingsStore& store);

/// Keeps the run's inputs as the Vesk SQL dialog stores them when it closes, for the next
/// dialog and for a run without a window: the script and copy lists, the four boxes and the
/// Simple Script mode (the Simple Script and Append Text windows store their own texts). Each
/// value on its own: one that cannot be written does not keep the others from it; the result
/// is the first failure.
Status SaveStoredRunInputs(settings::SettingsStore& store, const RunInputs& inputs);

/// Orders servers as the Process Servers list box shows them: alphabetically, without regard to
/// case, duplicates kept once.
std::vector<std::string> SortedAsListBox(std::vector<std::string> servers);

}  // namespace pelvane::engine
