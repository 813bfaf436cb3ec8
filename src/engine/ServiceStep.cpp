// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ServiceStep.h"

#include <cmath>

#include "engine/NetworkLogon.h"
#include "engine/ServiceStateNames.h"
#include "engine/StoredPasswords.h"

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

Result<NetworkLogin> ServiceLoginFor(const settings::SettingsStore& store, Keyring& keyring,
                                     const std::string& server) {
  Result<std::string> password = ReadPassword(store, keyring, server, PasswordKind::kNetworkLogin);
  if (!password) return password.status();
  return NetworkLogin{store.GetINIValue(server, "CopyToLogin"), *password};
}

void RestartService(RunContext& run, const std::string& serviceServer,
                    const std::string& serviceName) {
  ServiceControl& services = run.ports.services;
  Sleeper& sleeper = run.ports.sleeper;
  const Result<NetworkLogin> readLogin =
      ServiceLoginFor(run.store, run.ports.keyring, run.server.CurrentServer);
  // A refused logon ends the step: the later requests would only add failed logons.
  auto refused = [&](const char* what, const std::string& reason) {
    run.StepFailed(reason);
    run.Log(run.Timestamp() + ", Service " + serviceName + ", not " + what +
            " on Server: " + serviceServer + ". " + reason);
  };
  if (const std::string earlier = LogonRefusedEarlier(run); !earlier.empty()) {
    refused("stopped", earlier);
    return;
  }

  if (!readLogin) {
    refused("stopped", readLogin.status().message());
    return;
  }
  const NetworkLogin& login = *readLogin;
  if (const ServiceReply stop = services.Stop(serviceServer, serviceName, login);
      stop.logonRefused) {
    RememberLogonRefused(run, connect_code::kLogonFailure, stop.message);
    refused("stopped", stop.message);
    return;
  }
  run.Log(run.Timestamp() + ", Service " + serviceName + ", stopped on Server: " + serviceServer +
          ".");
  sleeper.SleepMs(kAfterStopMs);
  if (const ServiceReply start = services.Start(serviceServer, serviceName, login);
      start.logonRefused) {
    RememberLogonRefused(run, connect_code::kLogonFailure, start.message);
    refused("started", start.message);
    return;
  }
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
