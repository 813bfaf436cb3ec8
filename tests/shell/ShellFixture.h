#pragma once

#include <memory>
#include <string>

#include "engine/ProgramState.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/OdbcSqlClient.h"
#include "platform/PosixProcessLauncher.h"
#include "platform/SmbNetworkShares.h"
#include "platform/SmbRemoteClock.h"
#include "platform/SystemSleeper.h"
#include "settings/SettingsStore.h"
#include "shell/ScriptedPrompter.h"
#include "shell/ShellContext.h"
#include "support/TempDir.h"

namespace pelvane::shell {

/// A window's world for one test: a settings file in a fresh folder, the real ports (SQL over
/// ODBC, processes) and a scripted prompter. Programs are looked for where the tests are built.
struct ShellFixture {
  pelvane::testing::TempDir dir;
  settings::SettingsStore store{dir.File("Pelvane.ZRQ")};
  engine::ProgramState state;
  platform::OdbcSqlClient sql;
  platform::PosixProcessLauncher processes;
  platform::SmbNetworkShares shares;
  platform::SmbRemoteClock clock;
  platform::NetRpcServiceControl services;
  platform::SystemSleeper sleeper;
  ShellPorts ports{sql, processes, shares, clock, services, sleeper};
  ScriptedPrompter prompter;
  ShellContext context{store, state, ports, prompter, PELVANE_BIN_DIR};

  ShellFixture() { Reload(); }
  /// Start-up's reading of the settings, after a test has stored some.
  void Reload() { state = engine::LoadProgramState(store, {}); }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    ASSERT_TRUE(store.SaveINIValues(section, key, value)) << section << "/" << key;
  }
  std::string Get(const std::string& section, const std::string& key) const {
    return store.GetINIValue(section, key);
  }
};

}  // namespace pelvane::shell
