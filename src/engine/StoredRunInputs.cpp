// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StoredRunInputs.h"

#include <algorithm>
#include <utility>

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

Status SaveStoredRunInputs(settings::SettingsStore& store, const RunInputs& inputs) {
  Status first = Status::Ok();
  auto keep = [&first](Status saved) {
    if (first && !saved) first = saved;
  };
  keep(store.SaveINIValues("Script", "ScriptPath", settings::EncodeTokens(inputs.scriptText)));
  keep(store.SaveINIValues("CopyTo", "CopyFile", settings::EncodeTokens(inputs.copyFileText)));
  const std::pair<const char*, bool> boxes[] = {{"CopyFile", inputs.copyFile},
                                                {"OverwriteFile", inputs.overwriteFile},
                                                {"AppendText", inputs.appendText},
                                                {"RestartServices", inputs.restartServices}};
  for (const auto& [key, set] : boxes) keep(store.SaveINIValues("Pelvane", key, set ? "1" : "0"));
  keep(store.SaveINIValues("SimpleScript", "OpenScript", inputs.simpleScriptMode ? "1" : "0"));
  return first;
}

std::vector<std::string> SortedAsListBox(std::vector<std::string> servers) {
  auto lower = [](const std::string& s) { return settings::AsciiLower(s); };
  std::stable_sort(servers.begin(), servers.end(),
                   [&](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
  servers.erase(std::unique(servers.begin(), servers.end()), servers.end());
  return servers;
}

}  // namespace pelvane::engine
