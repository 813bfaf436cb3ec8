// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/QueryToolFolder.h"

namespace pelvane::engine {

std::string DetermineQueryToolFolder(settings::SettingsStore& store,
                                     const std::string& defaultFolder) {
  std::string folder = store.GetINIValue("Pelvane", "QAPath");
  if (folder.empty()) {
    folder = defaultFolder;
    // Storing the default only saves the next reader a guess: a read-only settings file, or
    // another writer holding it, must not fail or hold up the run.
    [[maybe_unused]] Status ignored =
        store.SaveINIValuesWithoutWaiting("Pelvane", "QAPath", defaultFolder);
  }
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace pelvane::engine
