#include "engine/ServiceStep.h"

#include <cmath>

namespace pelvane::engine {

namespace {

constexpr int kAfterStopMs = 2000;
constexpr int kAfterStartSlices = 10;
constexpr int kAfterStartSliceMs = 200;

int DelayMs(float seconds) {
  return seconds > 0 ? static_cast<int>(std::lround(static_cast<double>(seconds) * 1000.0)) : 0;
}

}  // namespace

std::string ServiceStateName(ServiceState state) {
  switch (state) {
    case ServiceState::kStopped:
      return "Stopped";
    case ServiceState::kStartPending:
      return "Start Pending";
    case ServiceState::kStopPending:
      return "Stop Pending";
    case ServiceState::kRunning:
      return "Running";
    case ServiceState::kContinuePending:
      return "Continue Pending";
    case ServiceState::kPausePending:
      return "Pause Pending";
    case ServiceState::kPaused:
      return "Paused";
    case ServiceState::kUnknown:
      break;
  }
  return "";
}

std::string GetServiceStatus(ServiceControl& services, const std::string& machine,
                             const std::string& service) {
  return ServiceStateName(services.QueryState(machine, service));
}

void RestartService(RunContext& run, const std::string& serviceServer,
                    const std::string& serviceName) {
  ServiceControl& services = run.ports.services;
  Sleeper& sleeper = run.ports.sleeper;

  services.Stop(serviceServer, serviceName);
  run.Log(run.Timestamp() + ", Service " + serviceName + ", stopped on Server: " + serviceServer +
          ".");
  sleeper.SleepMs(kAfterStopMs);
  services.Start(serviceServer, serviceName);
  run.Log(run.Timestamp() + ", Service " + serviceName + ", started on Server: " + serviceServer +
          ".");
  for (int slice = 0; slice < kAfterStartSlices; ++slice) sleeper.SleepMs(kAfterStartSliceMs);

  // Requests report nothing; only the state read afterwards tells whether the service came back.
  if (GetServiceStatus(services, serviceServer, serviceName) == "Running") return;
  sleeper.SleepMs(DelayMs(run.state.ServicesDelay));
  if (GetServiceStatus(services, serviceServer, serviceName) == "Running") return;
  run.anyFailure = true;
  run.Log(run.Timestamp() + ", Service " + serviceName +
          ", FAILED TO START on Server: " + serviceServer + ".  CHECK MANUALLY.");
}

void RunServiceStep(RunContext& run) {
  const std::string& server = run.server.CurrentServer;
  const std::string serviceServer = run.store.GetINIValue(server, "ServiceServer");
  const std::string serviceName = run.store.GetINIValue(server, "ServiceName");
  if (serviceServer.empty()) {
    run.anyFailure = true;
    run.Log(run.Timestamp() + " " + server + ": " +
            "Service not configured for Service.  Go to Configure Servers / Configure Service to "
            "add a server name.");
  } else if (serviceName.empty()) {
    run.anyFailure = true;
    run.Log(run.Timestamp() + " " + server + ": " +
            "Service not configured.  Go to Configure Servers / Configure Service to add a "
            "Service.");
  } else {
    RestartService(run, serviceServer, serviceName);
  }
}

}  // namespace pelvane::engine
