// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace pelvane::testing {

/// A TDS relay on a free loopback port in front of a real server. By default it passes the
/// pre-login and the login both ways, then swallows the client's SQL batches and RPCs without
/// an answer, and keeps the connection open: a server that accepts the login and then never
/// answers. The trickle modes pass everything, but the server's answers before (or from) the
/// first batch go to the client one byte at a time: a server that keeps every read of the
/// client's short and the whole exchange endless.
class TdsStallProxy {
 public:
  enum class Mode { kStallBatches, kTrickleLogin, kTrickleBatches };

  explicit TdsStallProxy(int upstreamPort, Mode mode = Mode::kStallBatches,
                         std::chrono::milliseconds byteInterval = std::chrono::milliseconds(100))
      : upstreamPort_(upstreamPort), mode_(mode), byteInterval_(byteInterval) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      throw std::runtime_error("the stall proxy cannot listen");
    port_ = ntohs(addr.sin_port);
    worker_ = std::thread([this] { Serve(); });
  }
  TdsStallProxy(const TdsStallProxy&) = delete;
  TdsStallProxy& operator=(const TdsStallProxy&) = delete;
  ~TdsStallProxy() {
    stop_ = true;
    worker_.join();
    for (const Link& link : links_) {
      ::close(link.client);
      ::close(link.server);
    }
    ::close(listener_);
  }

  int port() const { return port_; }
  /// "127.0.0.1,PORT", as ODBC and the run write a server.
  std::string server() const { return "127.0.0.1," + std::to_string(port_); }
  /// How many batches it has swallowed so far.
  int stalledBatches() const { return stalled_.load(); }
  /// How many connections it has relayed so far.
  int connections() const { return connections_.load(); }

 private:
  struct Link {
    int client, server;
    std::string pending;  // client bytes not yet a whole packet
    bool stalled = false;
    bool closed = false;
    bool batchSeen = false;
    std::string trickling{};  // server bytes still to go to the client, one at a time
    std::chrono::steady_clock::time_point nextByte{};
  };

  static sockaddr_in Loopback(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return addr;
  }

  static void SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
      ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
      if (n <= 0) return;
      data += n;
      size -= static_cast<size_t>(n);
    }
  }

  void Accept() {
    int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = Loopback(upstreamPort_);
    if (::connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      ::close(client);
      ::close(server);
      return;
    }
    links_.push_back(Link{client, server, {}, false, false});
    ++connections_;
  }

  /// Client to server, a whole packet at a time: once a batch (0x01) or an RPC (0x03) comes,
  /// nothing more is passed on.
  void FromClient(Link& link, const char* data, size_t size) {
    link.pending.append(data, size);
    while (!link.stalled && link.pending.size() >= 8) {
      const unsigned char type = static_cast<unsigned char>(link.pending[0]);
      const size_t length = (static_cast<unsigned char>(link.pending[2]) << 8) |
                            static_cast<unsigned char>(link.pending[3]);
      if (length < 8 || link.pending.size() < length) return;
      if (type == 0x01 || type == 0x03) link.batchSeen = true;
      if ((type == 0x01 || type == 0x03) && mode_ == Mode::kStallBatches) {
        link.stalled = true;
        ++stalled_;
        return;
      }
      SendAll(link.server, link.pending.data(), length);
      link.pending.erase(0, length);
    }
    if (link.stalled) link.pending.clear();
  }

  bool Trickles(const Link& link) const {
    return !link.trickling.empty() || (mode_ == Mode::kTrickleLogin && !link.batchSeen) ||
           (mode_ == Mode::kTrickleBatches && link.batchSeen);
  }

  void Serve() {
    while (!stop_) {
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      for (const Link& link : links_) {
        // A closed link stays in the list (closed at the end) but is no longer watched.
        fds.push_back({link.closed ? -1 : link.client, POLLIN, 0});
        fds.push_back({link.closed ? -1 : link.server, POLLIN, 0});
      }
      if (::poll(fds.data(), fds.size(), 20) < 0) continue;
      if (fds[0].revents & POLLIN) Accept();
      for (size_t i = 0; i < links_.size() && 1 + 2 * i + 1 < fds.size(); ++i) {
        Link& link = links_[i];
        char buffer[8192];
        if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP)) {
          ssize_t n = ::recv(link.client, buffer, sizeof buffer, 0);
          if (n > 0) FromClient(link, buffer, static_cast<size_t>(n));
          if (n <= 0) link.closed = true;
        }
        if (fds[2 + 2 * i].revents & (POLLIN | POLLHUP)) {
          ssize_t n = ::recv(link.server, buffer, sizeof buffer, 0);
          if (n > 0 && Trickles(link))
            link.trickling.append(buffer, static_cast<size_t>(n));
          else if (n > 0)
            SendAll(link.client, buffer, static_cast<size_t>(n));
          if (n <= 0) link.closed = true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!link.closed && !link.trickling.empty() && now >= link.nextByte) {
          SendAll(link.client, link.trickling.data(), 1);
          link.trickling.erase(0, 1);
          link.nextByte = now + byteInterval_;
        }
      }
    }
  }

  int upstreamPort_;
  Mode mode_;
  std::chrono::milliseconds byteInterval_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> stalled_{0};
  std::atomic<int> connections_{0};
  std::vector<Link> links_;  // touched by the worker only while it runs
  std::thread worker_;
};

}  // namespace pelvane::testing
