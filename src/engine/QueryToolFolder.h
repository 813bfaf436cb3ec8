#pragma once

#include <string>

#include "settings/SettingsStore.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// The query tool's file name in its folder.
constexpr char kQueryToolName[] = "isqlw";

/// The folder that holds the query tool, always with a final "/": "Pelvane"/"QAPath", or
/// defaultFolder when that reads empty, which is then stored there.
struct QueryToolFolderRead {
  std::string folder;
  Status saved = Status::Ok();  // why the default could not be stored, if it could not
};

QueryToolFolderRead DetermineQueryToolFolder(settings::SettingsStore& store,
                                             const std::string& defaultFolder);

}  // namespace pelvane::engine
