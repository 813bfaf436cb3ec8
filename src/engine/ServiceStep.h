// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/RunContext.h"
#include "engine/ServiceStateNames.h"
#include "engine/ports/Keyring.h"
#include "engine/ports/ServiceControl.h"

namespace pelvane::engine {

/// The service step for the current server: restarts the service named by "ServiceServer" and
/// "ServiceName" and logs whether it came back.
void RunServiceStep(RunContext& run);

/// Stops and starts a service, then waits for it to run: 2 s after the stop, 10 x 200 ms after
/// the start, and ServicesDelay seconds more when it is not running yet. Logs the two requests
/// and a failure when it still does not run.
void RestartService(RunContext& run, const std::string& serviceServer,
                    const std::string& serviceName);

/// The service's state name; empty when the machine or the service cannot be reached.
std::string GetServiceStatus(ServiceControl& services, const std::string& machine,
                             const std::string& service, const NetworkLogin& login);

/// The network credentials of a server's section that its service is reached with: the copy
/// step's "CopyToLogin" and "CopyToPW"; why not, when the password cannot be read.
Result<NetworkLogin> ServiceLoginFor(const settings::SettingsStore& store, Keyring& keyring,
                                     const std::string& server);

}  // namespace pelvane::engine
