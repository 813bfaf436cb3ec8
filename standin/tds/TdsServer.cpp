// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/TdsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <utility>

#include "standin/tds/Connection.h"

namespace pelvane::standin::tds {
namespace {

constexpr int kBacklog = 64;
// How often finished client threads are joined when no one connects.
constexpr int kReapIntervalMs = 1000;

Result<Socket> ListenOnLoopback(int port, int& boundPort) {
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.valid()) return Status::Error(std::string("socket: ") + std::strerror(errno));
  int yes = 1;
  ::setsockopt(socket.fd(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(socket.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    return Status::Error("port " + std::to_string(port) + ": " + std::strerror(errno));
  if (::listen(socket.fd(), kBacklog) != 0)
    return Status::Error("port " + std::to_string(port) + ": " + std::strerror(errno));
  socklen_t length = sizeof address;
  ::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&address), &length);
  boundPort = ntohs(address.sin_port);
  return socket;
}

}  // namespace

Result<std::unique_ptr<TdsServer>> TdsServer::Start(std::vector<Endpoint> endpoints,
                                                    std::chrono::milliseconds latency,
                                                    TlsConfig tls) {
  auto server = std::make_unique<TdsServer>(Key(), latency, std::move(tls));
  for (Endpoint& endpoint : endpoints) {
    int boundPort = 0;
    Result<Socket> socket = ListenOnLoopback(endpoint.port, boundPort);
    if (!socket) return socket.status();
    Listener& listener = server->listeners_.emplace_back();
    listener.socket = std::move(socket).value();
    listener.port = boundPort;
    listener.data = std::move(endpoint.data);
    listener.windowsLogins = std::move(endpoint.windowsLogins);
  }
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
    return Status::Error(std::string("socketpair: ") + std::strerror(errno));
  server->wakeRead_ = Socket(pair[0]);
  server->wakeWrite_ = Socket(pair[1]);
  server->acceptThread_ = std::thread([s = server.get()] { s->AcceptLoop(); });
  return server;
}

TdsServer::~TdsServer() {
  Stop();
}

void TdsServer::Stop() {
  if (stopped_) return;
  stopped_ = true;
  if (acceptThread_.joinable()) {
    wakeWrite_.WriteAll("x");
    acceptThread_.join();
  }
  for (Client& client : clients_) client.socket.Shutdown();
  for (Client& client : clients_)
    if (client.thread.joinable()) client.thread.join();
  clients_.clear();
  listeners_.clear();
}

void TdsServer::AcceptLoop() {
  std::vector<pollfd> fds;
  for (const Listener& listener : listeners_) fds.push_back({listener.socket.fd(), POLLIN, 0});
  fds.push_back({wakeRead_.fd(), POLLIN, 0});
  for (;;) {
    for (pollfd& p : fds) p.revents = 0;
    int ready = ::poll(fds.data(), fds.size(), kReapIntervalMs);
    ReapFinished();
    if (ready < 0 && errno != EINTR) {
      std::cerr << "sqlstandin: poll: " << std::strerror(errno) << '\n';
      return;
    }
    if (fds.back().revents != 0) return;
    for (size_t i = 0; i + 1 < fds.size(); ++i)
      if (fds[i].revents & POLLIN) Accept(listeners_[i]);
  }
}

void TdsServer::Accept(Listener& listener) {
  Socket socket(::accept4(listener.socket.fd(), nullptr, nullptr, SOCK_CLOEXEC));
  if (!socket.valid()) return;  // the client gave up before we got to it
  // Each reply goes out in one write; waiting to coalesce would only add latency.
  int yes = 1;
  ::setsockopt(socket.fd(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  Client& client = clients_.emplace_back();
  client.socket = std::move(socket);
  uint16_t spid = listener.nextSpid++;
  client.thread = std::thread([this, &client, &listener, spid, latency = latency_] {
    std::string reason;
    try {
      Connection connection(client.socket, listener.data, spid, latency, tls_);
      connection.AcceptWindowsLogins(listener.windowsLogins);
      reason = connection.Serve();
    } catch (const std::exception& e) {
      reason = e.what();
    }
    if (!reason.empty())
      std::cerr << "sqlstandin: port " << listener.port << ": client dropped: " << reason << '\n';
    client.socket.Shutdown();
    client.finished = true;
  });
}

void TdsServer::ReapFinished() {
  for (auto it = clients_.begin(); it != clients_.end();) {
    if (it->finished) {
      it->thread.join();
      it = clients_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace pelvane::standin::tds
