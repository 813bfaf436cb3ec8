// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "engine/DateTimeFormat.h"
#include "settings/SettingsStore.h"

namespace pelvane::engine {

constexpr char kSettingsFileName[] = "Pelvane.ZRQ";
constexpr char kTempErrorFileName[] = "tmpErrMsgs.log";
constexpr char kFixedLogFileName[] = "Pelvane.log";
constexpr char kQueryOutputFileName[] = "PelvaneScript.out";
constexpr int16_t kMaxParallelServers = 64;

/// The main window's place in twips.
struct WindowPlacement {
  int16_t top = 0, left = 0, height = 0, width = 0;
};

/// The program-wide settings that start-up loads and the windows change while the program runs.
struct ProgramState {
  std::string SettingsFile;
  std::string LogFile;
  std::string DateTimeFormat = kDefaultDateTimeFormat;
  int16_t RefreshLogWindow = 1;
  int16_t WhenOccurs = 1;
  /// How many servers a run processes at once, 1 to kMaxParallelServers.
  int16_t ParallelServers = 1;
  bool Notify = false;
  bool MinimizeOnVesk = false;
  float ServicesDelay = 3.0f;
  int16_t OpenChildCount = 0;
  bool AppendTextOpen = false;
  bool SimpleScriptOpen = false;
  /// The model name of the deferred log's scratch file, in the temporary folder.
  std::string TempErrorFile;
  /// The log file used when LogFile names none.
  std::string FixedLogFile;
  /// The file the query tool writes a script's output to. Kept apart from FixedLogFile, which
  /// the run log is appended to: the next script would otherwise delete the log history. In
  /// the temporary folder, inside a scratch folder of its own per script.
  std::string QueryOutputFile;
  /// Where the main window opens when it is not maximized.
  WindowPlacement Placement;
  bool MainMaximized = false;
};

/// Loads the program-wide state from the settings file. Nothing here fails: a missing file
/// gives every default, and a stored value that cannot be converted leaves its variable at 0
/// (false for the flags). `designed` is the main window's placement when none is stored.
ProgramState LoadProgramState(const settings::SettingsStore& store,
                              const WindowPlacement& designed);

/// The settings file in the given folder.
std::string SettingsFileIn(const std::string& folder);

/// True for a folder the package manager owns (/usr but not /usr/local, /bin, /sbin): root can
/// write there, but settings and logs do not belong among the installed programs.
bool IsSystemProgramFolder(const std::string& folder);

/// The settings file lives beside the program (a build tree, a portable folder); when that folder
/// is not writable or is a system program folder, in the user's configuration folder
/// ($XDG_CONFIG_HOME/pelvane, else $HOME/.config/pelvane).
std::string ChooseSettingsFile(const std::string& programFolder, bool programFolderWritable,
                               const std::string& xdgConfigHome, const std::string& home);

/// "Errors"/"ParallelServers" as a run reads it: outside 1..kMaxParallelServers, or no number,
/// is one server at a time.
int16_t StoredParallelServers(const settings::SettingsStore& store);

}  // namespace pelvane::engine
