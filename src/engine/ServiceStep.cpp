#include "engine/ServiceStep.h"

#include <cmath>

#include "engine/ServiceStateNames.h"
#include "settings/PasswordScrambler.h"

namespace pelvane::engine {

namespace {

constexpr int kAfterStopMs = 2000;
constexpr int kAfterStartSlices = 10;
constexpr int kAfterStartSliceMs = 200;

int DelayMs(float seconds) {
  return seconds > 0 ? static_cast<int>(std::lround(static_cast<double>(seconds) * 1000.0)) : 0;
}

}  // namespace

std::string GetServiceStatus(ServiceControl& services, const std::string& machine,
                             const std::string& service, const NetworkLogin& login) {
  return ServiceStateName(services.QueryState(machine, service, login));
}

NetworkLogin ServiceLoginFor(const settings::SettingsStore& store, const std::string& server) {
  return {
      store.GetINIValue(server, "CopyToLogin"),
      settings::UnscramblePassword(store.GetINIValue(server, "CopyToPW"), settings::PasswordKey)};
}

void RestartService(RunContext& run, const std::string& serviceServer,
                    const std::string& serviceName) {
  ServiceControl& services = run.ports.services;
  Sleeper& sleeper = run.ports.sleeper;
  const NetworkLogin login = ServiceLoginFor(run.store, run.server.CurrentServer);

  services.Stop(serviceServer, serviceName, login);
  run.Log(run.Timestamp() + ", Service " + serviceName + ", stopped on Server: " + serviceServer +
          ".");
  sleeper.SleepMs(kAfterStopMs);
  services.Start(serviceServer, serviceName, login);
  run.Log(run.Timestamp() + ", Service " + serviceName + ", started on Server: " + serviceServer +
          ".");
  for (int slice = 0; slice < kAfterStartSlices; ++slice) sleeper.SleepMs(kAfterStartSliceMs);

  // Requests report nothing; only the state read afterwards tells whether the service came back.
  if (GetServiceStatus(services, serviceServer, serviceName, login) == "Running") return;
  sleeper.SleepMs(DelayMs(run.state.ServicesDelay));
  const std::string state = GetServiceStatus(services, serviceServer, serviceName, login);
  if (state == "Running") return;
  run.StepFailed("Service " + serviceName + " FAILED TO START on Server: " + serviceServer +
                 ", state " + state + ".");
  run.Log(run.Timestamp() + ", Service " + serviceName +
          ", FAILED TO START on Server: " + serviceServer + ".  CHECK MANUALLY.");
}

void RunServiceStep(RunContext& run) {
  const std::string& server = run.server.CurrentServer;
  const std::string serviceServer = run.store.GetINIValue(server, "ServiceServer");
  const std::string serviceName = run.store.GetINIValue(server, "ServiceName");
  std::string notConfigured;
  if (serviceServer.empty()) {
    notConfigured =
        "Service not configured for Service.  Go to Configure Servers / Configure Service to add "
        "a server name.";
  } else if (serviceName.empty()) {
    notConfigured =
        "Service not configured.  Go to Configure Servers / Configure Service to add a Service.";
  }
  if (!notConfigured.empty()) {
    run.StepFailed(notConfigured);
    run.Log(run.Timestamp() + " " + server + ": " + notConfigured);
  } else {
    RestartService(run, serviceServer, serviceName);
  }
}

}  // namespace pelvane::engine
