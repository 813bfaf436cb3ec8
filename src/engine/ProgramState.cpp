// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ProgramState.h"

#include <optional>

#include "engine/VbNumber.h"
#include "settings/FileIo.h"
#include "settings/ScratchFile.h"

namespace pelvane::engine {

namespace {

constexpr char kGeneral[] = "Pelvane";
constexpr char kErrors[] = "Errors";

/// Empty takes the designed value; a value that is no 16-bit number leaves 0.
int16_t PlacementValue(const settings::SettingsStore& store, const char* key, int16_t designed) {
  std::string stored = store.GetINIValue(kGeneral, key);
  if (stored.empty()) return designed;
  return ToInt16(stored).value_or(0);
}

/// Empty takes the default; a value that is no 16-bit number leaves 0.
int16_t Int16Setting(const settings::SettingsStore& store, const char* section, const char* key,
                     int16_t fallback) {
  std::string stored = store.GetINIValue(section, key);
  if (stored.empty()) return fallback;
  return ToInt16(stored).value_or(0);
}

/// Outside 1..kMaxParallelServers, or no number, is one server at a time.
int16_t ParallelServersSetting(const settings::SettingsStore& store) {
  std::optional<int16_t> value = ToInt16(store.GetINIValue(kErrors, "ParallelServers"));
  if (!value || *value < 1 || *value > kMaxParallelServers) return 1;
  return *value;
}

/// A flag is set by any non-zero number; text that is no number leaves it clear.
bool FlagSetting(const settings::SettingsStore& store, const char* key) {
  std::optional<double> value = ParseVbNumber(store.GetINIValue(kGeneral, key));
  return value && *value != 0;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

}  // namespace

ProgramState LoadProgramState(const settings::SettingsStore& store,
                              const WindowPlacement& designed) {
  ProgramState state;
  state.SettingsFile = store.file();

  state.LogFile = store.GetINIValue(kErrors, "LogFile");
  std::string format = store.GetINIValue(kGeneral, "DateTimeFormat");
  if (!format.empty()) state.DateTimeFormat = format;

  state.Placement.top = PlacementValue(store, "Top", designed.top);
  state.Placement.left = PlacementValue(store, "Left", designed.left);
  state.Placement.height = PlacementValue(store, "Height", designed.height);
  state.Placement.width = PlacementValue(store, "Width", designed.width);

  state.RefreshLogWindow = Int16Setting(store, kGeneral, "RefreshLogWindow", 1);
  state.WhenOccurs = Int16Setting(store, kErrors, "WhenOccurs", 1);
  state.ParallelServers = ParallelServersSetting(store);
  state.Notify = FlagSetting(store, "Notify");
  state.MinimizeOnVesk = FlagSetting(store, "MinimizeOnVesk");

  std::string delay = store.GetINIValue(kGeneral, "ServicesDelay");
  if (!delay.empty()) state.ServicesDelay = ToSingle(delay).value_or(0.0f);

  std::optional<double> mainState = ParseVbNumber(store.GetINIValue(kGeneral, "MainState"));
  state.MainMaximized = mainState && *mainState == 1;

  // Scratch files go to the temporary folder: the settings folder may be read-only.
  const std::string scratch = settings::TemporaryFolder();
  state.TempErrorFile = JoinPath(scratch, kTempErrorFileName);
  state.FixedLogFile = settings::SiblingFile(state.SettingsFile, kFixedLogFileName);
  state.QueryOutputFile = JoinPath(scratch, kQueryOutputFileName);
  return state;
}

std::string SettingsFileIn(const std::string& folder) {
  return JoinPath(folder, kSettingsFileName);
}

bool IsSystemProgramFolder(const std::string& folder) {
  const auto under = [&folder](const std::string& root) {
    return folder.compare(0, root.size(), root) == 0 &&
           (folder.size() == root.size() || folder[root.size()] == '/');
  };
  if (under("/usr/local")) return false;
  return under("/usr") || under("/bin") || under("/sbin");
}

std::string ChooseSettingsFile(const std::string& programFolder, bool programFolderWritable,
                               const std::string& xdgConfigHome, const std::string& home) {
  if (programFolderWritable && !IsSystemProgramFolder(programFolder))
    return SettingsFileIn(programFolder);
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
  if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
    return SettingsFileIn(JoinPath(xdgConfigHome, "pelvane"));
  if (!home.empty()) return SettingsFileIn(JoinPath(home, ".config/pelvane"));
  // Nowhere better to go: writes will fail and say so.
  return SettingsFileIn(programFolder);
}

int16_t StoredParallelServers(const settings::SettingsStore& store) {
  return ParallelServersSetting(store);
}

}  // namespace pelvane::engine
