// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ServiceStatusView.h"

#include "engine/ServerTargets.h"
#include "engine/ServiceStep.h"

namespace pelvane::engine {

std::string ServiceNotConfiguredMessage(const std::string& server) {
  return "The Service Name and/or Service Server is not configured for Server, " + server +
         ".  Go to Configure Servers / Configure Services and complete configuration.";
}

uint32_t ServiceStateColour(ServiceState state) {
  const std::optional<ServiceStateLook> look = LookOf(state);
  return look ? look->colour : 0;
}

ServiceStatusView ReadServiceStatus(const settings::SettingsStore& store, Keyring& keyring,
                                    ServiceControl& services, const std::string& server) {
  const ServiceSettings service = LoadServiceSettings(store, server);
  ServiceStatusView view;
  if (service.serviceName.empty() || service.serviceServer.empty()) return view;
  view.configured = true;
  const Result<NetworkLogin> login = ServiceLoginFor(store, keyring, server);
  if (!login) {
    view.text =
        service.serviceName + " (" + service.serviceServer + ") - " + login.status().message();
    return view;
  }
  view.state = services.QueryState(service.serviceServer, service.serviceName, *login);
  const std::string name = ServiceStateName(view.state);
  view.text = service.serviceName + " (" + service.serviceServer + ") - " +
              (name.empty() ? "Not Available." : name);
  return view;
}

void RequestAndPollService(const settings::SettingsStore& store, Keyring& keyring,
                           ServiceControl& services, Sleeper& sleeper, const std::string& server,
                           const std::string& action,
                           const std::function<void(const ServiceStatusView&)>& onRead) {
  const ServiceSettings service = LoadServiceSettings(store, server);
  if (service.serviceName.empty() || service.serviceServer.empty()) {
    onRead(ServiceStatusView{});
    return;
  }
  // The service is reached with the server's network login, as the run's restart does.
  if (const Result<NetworkLogin> login = ServiceLoginFor(store, keyring, server); login) {
    if (action == "Start") services.Start(service.serviceServer, service.serviceName, *login);
    if (action == "Stop") services.Stop(service.serviceServer, service.serviceName, *login);
  }
  for (int poll = 1; poll <= kServicePolls; ++poll) {
    const ServiceStatusView view = ReadServiceStatus(store, keyring, services, server);
    onRead(view);
    // The state decides, not the shown text, which also holds the service's own name.
    if (view.state == ServiceState::kRunning || view.state == ServiceState::kStopped) return;
    if (!view.configured) return;
    if (poll < kServicePolls) sleeper.SleepMs(kServicePollPauseMs);
  }
}

}  // namespace pelvane::engine
