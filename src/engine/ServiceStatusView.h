// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/ports/Keyring.h"
#include "engine/ports/ServiceControl.h"
#include "engine/ports/Sleeper.h"
#include "settings/SettingsStore.h"

namespace pelvane::engine {

/// One read of a server's configured service, as the service dialogs show it.
struct ServiceStatusView {
  bool configured = false;  // "ServiceName" and "ServiceServer" both set
  ServiceState state = ServiceState::kUnknown;
  std::string text;  // "Name (Machine) - Running", or "... - Not Available."
};

/// The message shown instead of a status when the server has no service configured.
std::string ServiceNotConfiguredMessage(const std::string& server);

/// The colour a state's text is shown in (0x00BBGGRR); black for an unknown state, which the
/// label shows after its "Checking ..." in black.
uint32_t ServiceStateColour(ServiceState state);

/// Reads the server's "ServiceName" and "ServiceServer" afresh and, when both are set, the
/// service's state, reached with the server's network login. May take the network's time-out.
ServiceStatusView ReadServiceStatus(const settings::SettingsStore& store, Keyring& keyring,
                                    ServiceControl& services, const std::string& server);

/// How often the start/stop dialog reads the state after a request, and the pause between reads.
constexpr int kServicePolls = 10;
constexpr int kServicePollPauseMs = 150;

/// Sends "Start" or "Stop" (any other action sends nothing) to the server's configured service,
/// then reads its state at most kServicePolls times, kServicePollPauseMs apart, until it is
/// running or stopped. Each read is handed to `onRead`. A server without a configured service
/// gets no request and one read.
void RequestAndPollService(const settings::SettingsStore& store, Keyring& keyring,
                           ServiceControl& services, Sleeper& sleeper, const std::string& server,
                           const std::string& action,
                           const std::function<void(const ServiceStatusView&)>& onRead);

}  // namespace pelvane::engine
