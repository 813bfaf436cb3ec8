// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace pelvane::testing {

inline sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

/// A port on 127.0.0.1 that nothing listens on at the moment of asking.
inline int FreeLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

/// Sends every byte unless the peer has gone; never raises SIGPIPE.
inline void SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return;
    data += n;
    size -= static_cast<size_t>(n);
  }
}

/// A client connection to 127.0.0.1:port, for sending what no proper client would. Each read
/// gives up after ten seconds.
class LoopbackSocket {
 public:
  explicit LoopbackSocket(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address = LoopbackAddress(port);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    timeval limit{10, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  ~LoopbackSocket() { ::close(fd_); }
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;

  bool connected() const { return connected_; }
  void Send(const std::string& bytes) const { SendAll(fd_, bytes.data(), bytes.size()); }
  /// Exactly `size` bytes, or fewer when the peer closed or the time ran out.
  std::string Read(size_t size) const {
    std::string bytes(size, '\0');
    ssize_t n = size ? ::recv(fd_, bytes.data(), size, MSG_WAITALL) : 0;
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
  }
  /// True when the peer closed the connection: reading, after anything it still sent, ends.
  bool ClosedByPeer() const {
    char buffer[4096];
    for (;;) {
      ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return n == 0;
    }
  }

 private:
  int fd_;
  bool connected_ = false;
};

/// A relay on a free loopback port in front of a server: each client connection gets one of its
/// own to the server, and a thread hands every read to the owner's callbacks, which decide what
/// goes on (`SendAll` to the other side, or not). When either side ends, both are shut down.
class LoopbackRelay {
 public:
  struct Link {
    size_t id;  // 0, 1, ... in the order the clients came
    int client, server;
  };
  using OnBytes = std::function<void(const Link&, const char* data, size_t size)>;
  using OnTick = std::function<void(const Link&)>;  // every 20 ms or so, for each open link

  LoopbackRelay(int upstreamPort, OnBytes fromClient, OnBytes fromServer, OnTick tick = {})
      : upstreamPort_(upstreamPort),
        fromClient_(std::move(fromClient)),
        fromServer_(std::move(fromServer)),
        tick_(std::move(tick)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("the loopback relay cannot listen");
    port_ = ntohs(address.sin_port);
    worker_ = std::thread([this] { Serve(); });
  }
  LoopbackRelay(const LoopbackRelay&) = delete;
  LoopbackRelay& operator=(const LoopbackRelay&) = delete;
  ~LoopbackRelay() {
    stop_ = true;
    worker_.join();
    for (const Open& open : links_) {
      ::close(open.link.client);
      ::close(open.link.server);
    }
    ::close(listener_);
  }

  int port() const { return port_; }
  /// How many connections it has relayed so far.
  int connections() const { return connections_.load(); }

 private:
  struct Open {
    Link link;
    bool closed;  // stays in the list, unwatched, until the relay goes
  };

  void Accept() {
    int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = LoopbackAddress(upstreamPort_);
    if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(client);
      ::close(server);
      return;
    }
    links_.push_back({{links_.size(), client, server}, false});
    ++connections_;
  }

  // One read from `from` to the callback; false when `from` has ended.
  static bool Pass(int from, const Link& link, const OnBytes& onBytes) {
    char buffer[16384];
    ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
    if (n > 0) onBytes(link, buffer, static_cast<size_t>(n));
    return n > 0;
  }

  void Serve() {
    constexpr short kEvents = POLLIN | POLLHUP | POLLERR;
    while (!stop_) {
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      for (const Open& open : links_) {
        fds.push_back({open.closed ? -1 : open.link.client, POLLIN, 0});
        fds.push_back({open.closed ? -1 : open.link.server, POLLIN, 0});
      }
      if (::poll(fds.data(), fds.size(), 20) < 0) continue;
      if (fds[0].revents & POLLIN) Accept();
      for (size_t i = 0; i < links_.size() && 2 + 2 * i < fds.size(); ++i) {
        Open& open = links_[i];
        bool alive = true;
        if (fds[1 + 2 * i].revents & kEvents)
          alive = Pass(open.link.client, open.link, fromClient_);
        if (alive && fds[2 + 2 * i].revents & kEvents)
          alive = Pass(open.link.server, open.link, fromServer_);
        if (!alive) {
          ::shutdown(open.link.client, SHUT_RDWR);
          ::shutdown(open.link.server, SHUT_RDWR);
          open.closed = true;
        }
        if (!open.closed && tick_) tick_(open.link);
      }
    }
  }

  int upstreamPort_;
  OnBytes fromClient_, fromServer_;
  OnTick tick_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::vector<Open> links_;  // touched by the worker only while it runs
  std::thread worker_;
};

}  // namespace pelvane::testing
