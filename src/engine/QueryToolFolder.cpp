#include "engine/QueryToolFolder.h"

namespace pelvane::engine {

QueryToolFolderRead DetermineQueryToolFolder(settings::SettingsStore& store,
                                             const std::string& defaultFolder) {
  QueryToolFolderRead read;
  read.folder = store.GetINIValue("Pelvane", "QAPath");
  if (read.folder.empty()) {
    read.folder = defaultFolder;
    read.saved = store.SaveINIValues("Pelvane", "QAPath", defaultFolder);
  }
  if (read.folder.empty() || read.folder.back() != '/') read.folder += '/';
  return read;
}

}  // namespace pelvane::engine
