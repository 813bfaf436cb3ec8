// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/ProgramState.h"
#include "engine/ports/Keyring.h"
#include "engine/ports/NetworkShares.h"
#include "engine/ports/ProcessLauncher.h"
#include "engine/ports/RemoteClock.h"
#include "engine/ports/ServiceControl.h"
#include "engine/ports/Sleeper.h"
#include "engine/ports/SqlClient.h"
#include "settings/SettingsStore.h"
#include "uikit/BackgroundTasks.h"
#include "uikit/Prompter.h"
#include "uikit/RegistryNotice.h"
#include "uikit/ServerSession.h"

namespace pelvane::shell {

/// The world as the windows reach it. The port implementations must be usable from a worker
/// thread: long work (a run, a login test, a service poll) never runs on the window thread.
struct ShellPorts {
  engine::SqlClient& sql;
  engine::ProcessLauncher& processes;
  engine::NetworkShares& shares;
  engine::RemoteClock& clock;
  engine::ServiceControl& services;
  engine::Sleeper& sleeper;
  engine::Keyring& keyring;
};

/// What every window of the program is given: the settings file, the program-wide state that
/// start-up loaded, the ports and the seam for boxes and dialogs. Owned by main(); windows keep
/// references.
struct ShellContext {
  settings::SettingsStore& store;
  engine::ProgramState& state;
  ShellPorts& ports;
  Prompter& prompter;
  /// The folder of the programs (where isqlw and the README are installed).
  std::string programFolder;
  /// The current server and its login as the server dialogs last set them.
  ServerSession session{};
  /// Told by the windows that change the server registry.
  RegistryNotice registryChanged{};
  /// The windows' work off the window thread; declared after the ports, it joins what is still
  /// working before they go.
  BackgroundTasks background{};
};

}  // namespace pelvane::shell
