// SPDX-License-Identifier: GPL-3.0-or-later
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "settings/TopLevel.h"
#include "standin/sql/SqlEngine.h"
#include "standin/tds/BrowserResponder.h"
#include "standin/tds/CommandLine.h"
#include "standin/tds/NtlmLogin.h"
#include "standin/tds/TdsServer.h"
#include "standin/tds/TlsSession.h"

namespace {

constexpr int kBadUsage = 2;
constexpr int kFailed = 1;

int RunStandin(int argc, char** argv) {
  using namespace pelvane::standin;
  auto options = tds::ParseStandinOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!options) {
    std::cerr << "sqlstandin: " << options.status().message() << "\n(see sqlstandin --help)\n";
    return kBadUsage;
  }
  if (options->help) {
    std::cout << tds::StandinUsage();
    return 0;
  }

  // Blocked before any thread starts, so that every thread inherits the mask and only the
  // sigwait below ever sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  tds::TlsConfig tls{options->tls.setting, nullptr};
  if (!options->tls.certificateFile.empty()) {
    auto credentials =
        tds::TlsCredentials::Load(options->tls.certificateFile, options->tls.keyFile);
    if (!credentials) {
      std::cerr << "sqlstandin: " << credentials.status().message() << '\n';
      return kFailed;
    }
    tls.credentials = credentials.value();
  }

  // A Windows login is a login of each server too, once NTLM has proved its password.
  std::vector<std::string> logins = options->logins;
  logins.insert(logins.end(), options->windowsLogins.begin(), options->windowsLogins.end());
  auto windowsLogins =
      std::make_shared<const tds::WindowsLogins>(tds::ParseWindowsLogins(options->windowsLogins));
  std::vector<tds::TdsServer::Endpoint> endpoints;
  for (int port : options->ports) {
    std::string folder = (std::filesystem::path(options->dir) / std::to_string(port)).string();
    auto data = ServerData::Open(folder, logins, options->databases, options->spPassword);
    if (!data) {
      std::cerr << "sqlstandin: " << folder << ": " << data.status().message() << '\n';
      return kFailed;
    }
    endpoints.push_back({port, data.value(), windowsLogins});
  }
  auto server = tds::TdsServer::Start(std::move(endpoints),
                                      std::chrono::milliseconds(options->latencyMs), tls);
  if (!server) {
    std::cerr << "sqlstandin: " << server.status().message() << '\n';
    return kFailed;
  }
  std::unique_ptr<tds::BrowserResponder> browser;
  if (!options->browserInstance.empty()) {
    auto started = tds::BrowserResponder::Start(options->browserInstance, options->ports.front());
    if (!started) {
      std::cerr << "sqlstandin: " << started.status().message() << '\n';
      return kFailed;
    }
    browser = std::move(started).value();
  }
  std::cout << "ready" << std::endl;

  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.value()->Stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return pelvane::RunGuarded("sqlstandin", std::cerr, [&] { return RunStandin(argc, argv); });
}
