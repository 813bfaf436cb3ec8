// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/Loopback.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

#ifndef PELVANE_STANDIN_PATH
#error "PELVANE_STANDIN_PATH must name the sqlstandin executable"
#endif

namespace pelvane::testing {

/// sqlstandin on free loopback ports with its own data folder, for one test or one suite.
class StandinServer {
 public:
  struct Options {
    int servers = 1;
    std::vector<std::string> logins{"sa:Secret1"};
    std::vector<std::string> databases{"pubs"};
    int latencyMs = 0;
    // TLS as --tls-cert/--tls-key/--encryption take it (see TestCertificates); empty: not given.
    // Each has an initializer, so that fixtures listing the fields above stay warning-free.
    std::string tlsCertificate{};
    std::string tlsKey{};
    std::string encryption{};
    std::vector<std::string> moreArgs{};  // further options, as sqlstandin --help names them
  };

  StandinServer() : StandinServer(Options{}) {}
  explicit StandinServer(const Options& options) {
    // A port taken between asking and listening makes the stand-in fail; try fresh ports.
    for (int attempt = 0; attempt < 5 && !process_; ++attempt) {
      std::vector<std::string> argv{PELVANE_STANDIN_PATH, "--dir", dir_.path().string()};
      std::vector<int> ports;
      for (int i = 0; i < options.servers; ++i) {
        ports.push_back(FreeLoopbackPort());
        argv.insert(argv.end(), {"--port", std::to_string(ports.back())});
      }
      for (const std::string& login : options.logins) argv.insert(argv.end(), {"--login", login});
      for (const std::string& db : options.databases) argv.insert(argv.end(), {"--database", db});
      if (options.latencyMs > 0)
        argv.insert(argv.end(), {"--latency-ms", std::to_string(options.latencyMs)});
      for (const auto& [option, value] : {std::pair{"--tls-cert", options.tlsCertificate},
                                          {"--tls-key", options.tlsKey},
                                          {"--encryption", options.encryption}})
        if (!value.empty()) argv.insert(argv.end(), {option, value});
      argv.insert(argv.end(), options.moreArgs.begin(), options.moreArgs.end());
      auto process = std::make_unique<Subprocess>(argv);
      std::string line;
      if (process->started() && process->ReadLine(line, std::chrono::seconds(10)) &&
          line == "ready") {
        process_ = std::move(process);
        ports_ = ports;
      }
    }
    if (!process_) throw std::runtime_error("sqlstandin did not start");
  }

  int port(size_t i = 0) const { return ports_.at(i); }
  /// The server as ODBC and SQL Server tools write it: "127.0.0.1,PORT".
  std::string server(size_t i = 0) const { return "127.0.0.1," + std::to_string(port(i)); }
  Subprocess& process() { return *process_; }

 private:
  TempDir dir_;
  std::unique_ptr<Subprocess> process_;
  std::vector<int> ports_;
};

}  // namespace pelvane::testing
