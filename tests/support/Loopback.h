// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace pelvane::testing {

/// A TCP socket on 127.0.0.1:port, connected (a client) or bound (port 0: any free one, which
/// `port` then names); -1 when that fails.
inline int LoopbackSocketFd(int& port, bool connect) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  auto* generic = reinterpret_cast<sockaddr*>(&address);
  socklen_t length = sizeof address;
  if (fd < 0) return -1;
  if (connect ? ::connect(fd, generic, length) != 0
              : ::bind(fd, generic, length) != 0 || ::getsockname(fd, generic, &length) != 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

/// A port on 127.0.0.1 that nothing listens on at the moment of asking.
inline int FreeLoopbackPort() {
  int port = 0;
  ::close(LoopbackSocketFd(port, false));
  return port;
}

/// Sends every byte unless the peer has gone; never raises SIGPIPE.
inline void SendAll(int fd, const char* data, size_t size) {
  for (ssize_t n; size > 0 && (n = ::send(fd, data, size, MSG_NOSIGNAL)) > 0; data += n)
    size -= static_cast<size_t>(n);
}

/// A loopback port that takes connections into its backlog and never answers: a server that
/// hangs before the login.
class SilentListener {
 public:
  SilentListener() : fd_(LoopbackSocketFd(port_, false)) { ::listen(fd_, 8); }
  ~SilentListener() { ::close(fd_); }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  std::string server() const { return "127.0.0.1," + std::to_string(port_); }

 private:
  int port_ = 0;  // before fd_, which sets it
  int fd_;
};

/// A client connection to 127.0.0.1:port, for sending what no proper client would. Each read
/// gives up after ten seconds.
class LoopbackSocket {
 public:
  explicit LoopbackSocket(int port) : fd_(LoopbackSocketFd(port, true)) {
    timeval limit{10, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  ~LoopbackSocket() { ::close(fd_); }
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;

  bool connected() const { return fd_ >= 0; }
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
    ssize_t n;
    while ((n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0) {
    }
    return n == 0;
  }

 private:
  int fd_;
};

/// A relay on a free loopback port in front of a server: each client connection gets one of its
/// own to the server, and a thread hands every read to the owner's callbacks, which decide what
/// goes on (`SendAll` to the other side, or not). Without callbacks it passes every byte on
/// unchanged and keeps a copy: what anyone on the wire would see. When either side ends, both
/// are shut down.
class LoopbackRelay {
 public:
  struct Link {
    size_t id;  // 0, 1, ... in the order the clients came
    int client, server;
    bool closed;  // stays in the list, unwatched, until the relay goes
  };
  using OnBytes = std::function<void(const Link&, const char* data, size_t size)>;
  using OnTick = std::function<void(const Link&)>;  // every 20 ms or so, for each open link

  explicit LoopbackRelay(int upstreamPort, OnBytes fromClient = {}, OnBytes fromServer = {},
                         OnTick tick = {})
      : upstreamPort_(upstreamPort),
        fromClient_(fromClient ? std::move(fromClient) : Record(&Link::server)),
        fromServer_(fromServer ? std::move(fromServer) : Record(&Link::client)),
        tick_(std::move(tick)),
        listener_(LoopbackSocketFd(port_, false)) {
    if (listener_ < 0 || ::listen(listener_, 16) != 0)
      throw std::runtime_error("the loopback relay cannot listen");
    worker_ = std::thread([this] { Serve(); });
  }
  LoopbackRelay(const LoopbackRelay&) = delete;
  LoopbackRelay& operator=(const LoopbackRelay&) = delete;
  ~LoopbackRelay() {
    stop_ = true;
    worker_.join();
    for (const Link& link : links_) ::close(link.client), ::close(link.server);
    ::close(listener_);
  }

  int port() const { return port_; }
  /// How many connections it has relayed so far.
  int connections() const { return connections_.load(); }
  /// Everything passed on unchanged so far, both directions one after the other as it came.
  std::string seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  OnBytes Record(int Link::*to) {
    return [this, to](const Link& link, const char* data, size_t size) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.append(data, size);
      }
      SendAll(link.*to, data, size);
    };
  }

  void Accept() {
    int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    int port = upstreamPort_;
    int server = client < 0 ? -1 : LoopbackSocketFd(port, true);
    if (server < 0) {
      if (client >= 0) ::close(client);
      return;
    }
    links_.push_back({links_.size(), client, server, false});
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
      for (const Link& link : links_) {
        fds.push_back({link.closed ? -1 : link.client, POLLIN, 0});
        fds.push_back({link.closed ? -1 : link.server, POLLIN, 0});
      }
      if (::poll(fds.data(), fds.size(), 20) < 0) continue;
      if (fds[0].revents & POLLIN) Accept();
      for (size_t i = 0; i < links_.size() && 2 + 2 * i < fds.size(); ++i) {
        Link& link = links_[i];
        bool alive = !(fds[1 + 2 * i].revents & kEvents) || Pass(link.client, link, fromClient_);
        if (alive && fds[2 + 2 * i].revents & kEvents) alive = Pass(link.server, link, fromServer_);
        if (!alive) {
          ::shutdown(link.client, SHUT_RDWR);
          ::shutdown(link.server, SHUT_RDWR);
          link.closed = true;
        }
        if (!link.closed && tick_) tick_(link);
      }
    }
  }

  int upstreamPort_;
  OnBytes fromClient_, fromServer_;
  OnTick tick_;
  int port_ = 0;
  int listener_;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::vector<Link> links_;  // touched by the worker only while it runs
  mutable std::mutex mutex_;
  std::string seen_;
  std::thread worker_;
};

}  // namespace pelvane::testing
