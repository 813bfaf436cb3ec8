// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "settings/SettingsStore.h"

namespace pelvane::engine {

/// The query tool's file name in its folder.
constexpr char kQueryToolName[] = "isqlw";

/// The folder that holds the query tool, always with a final "/": "Pelvane"/"QAPath", or
/// defaultFolder when that reads empty, which is then stored there when the file can take it
/// at once (silently not otherwise).
std::string DetermineQueryToolFolder(settings::SettingsStore& store,
                                     const std::string& defaultFolder);

}  // namespace pelvane::engine
