// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "settings/Status.h"
#include "standin/sql/SqlEngine.h"
#include "standin/tds/NtlmLogin.h"
#include "standin/tds/Socket.h"
#include "standin/tds/TlsOptions.h"

namespace pelvane::standin::tds {

/// Listens on 127.0.0.1 at one port per stand-in server and serves each client on a thread of
/// its own. Stop (or destruction) closes the ports, ends every connection and joins all threads.
class TdsServer {
 public:
  struct Endpoint {
    int port = 0;  // 0 lets the system choose (tests)
    std::shared_ptr<ServerData> data;
    std::shared_ptr<const WindowsLogins> windowsLogins;  // checked by NTLM; may be null
  };

  /// Binds and listens on every port before returning, so that a caller can announce readiness.
  /// Every connection offers encryption as `tls` says.
  static Result<std::unique_ptr<TdsServer>> Start(std::vector<Endpoint> endpoints,
                                                  std::chrono::milliseconds latency,
                                                  TlsConfig tls = {});
  /// Only Start can make the key, so a server always listens once it exists.
  class Key {
    friend class TdsServer;
    Key() = default;
  };
  TdsServer(Key, std::chrono::milliseconds latency, TlsConfig tls)
      : latency_(latency), tls_(std::move(tls)) {}
  ~TdsServer();
  TdsServer(const TdsServer&) = delete;
  TdsServer& operator=(const TdsServer&) = delete;

  /// The port actually bound for endpoint i.
  int port(size_t i) const { return listeners_.at(i).port; }
  void Stop();

 private:
  struct Listener {
    Socket socket;
    int port = 0;
    std::shared_ptr<ServerData> data;
    std::shared_ptr<const WindowsLogins> windowsLogins;
    std::atomic<uint16_t> nextSpid{51};
  };
  struct Client {
    Socket socket;
    std::thread thread;
    std::atomic<bool> finished{false};
  };

  void AcceptLoop();
  void Accept(Listener& listener);
  void ReapFinished();

  std::chrono::milliseconds latency_;
  const TlsConfig tls_;
  std::deque<Listener> listeners_;  // a deque: elements hold atomics and never move
  std::list<Client> clients_;       // touched by the accept thread only, until Stop joins it
  Socket wakeRead_;
  Socket wakeWrite_;
  std::thread acceptThread_;
  bool stopped_ = false;
};

}  // namespace pelvane::standin::tds
