// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StoredRunInputs.h"

#include <algorithm>

#include "engine/VbNumber.h"
#include "settings/ProfileText.h"
#include "settings/TextTokens.h"

namespace pelvane::engine {

namespace {

std::string StoredText(const settings::SettingsStore& store, const char* section, const char* key) {
  return settings::DecodeTokens(store.GetINIValue(section, key));
}

}  // namespace

bool StoredBoxSet(const settings::SettingsStore& store, const char* section, const char* key) {
  return ToInt16(store.GetINIValue(section, key)).value_or(0) == 1;
}

RunInputs LoadStoredRunInputs(const settings::SettingsStore& store) {
  RunInputs inputs;
  inputs.scriptText = StoredText(store, "Script", "ScriptPath");
  inputs.copyFileText = StoredText(store, "CopyTo", "CopyFile");
  inputs.copyFile = StoredBoxSet(store, "Pelvane", "CopyFile");
  inputs.overwriteFile = StoredBoxSet(store, "Pelvane", "OverwriteFile");
  inputs.appendText = StoredBoxSet(store, "Pelvane", "AppendText");
  inputs.restartServices = StoredBoxSet(store, "Pelvane", "RestartServices");
  inputs.simpleScriptMode = StoredBoxSet(store, "SimpleScript", "OpenScript");
  inputs.simpleScriptText = StoredText(store, "SimpleScript", "Script");
  inputs.appendTextText = StoredText(store, "Append", "AppendText");
  inputs.addTimeStamp = StoredBoxSet(store, "Append", "AddTimeStamp");
  return inputs;
}

std::vector<std::string> SortedAsListBox(std::vector<std::string> servers) {
  auto lower = [](const std::string& s) { return settings::AsciiLower(s); };
  std::stable_sort(servers.begin(), servers.end(),
                   [&](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
  servers.erase(std::unique(servers.begin(), servers.end()), servers.end());
  return servers;
}

}  // namespace pelvane::engine
