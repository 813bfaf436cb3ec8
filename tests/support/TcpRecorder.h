// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace pelvane::testing {

/// A relay on a free loopback port in front of a server that passes every byte both ways
/// unchanged and keeps a copy: what anyone on the wire would see.
class TcpRecorder {
 public:
  explicit TcpRecorder(int upstreamPort) : upstreamPort_(upstreamPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      throw std::runtime_error("the recorder cannot listen");
    port_ = ntohs(addr.sin_port);
    worker_ = std::thread([this] { Serve(); });
  }
  TcpRecorder(const TcpRecorder&) = delete;
  TcpRecorder& operator=(const TcpRecorder&) = delete;
  ~TcpRecorder() {
    stop_ = true;
    worker_.join();
    for (const Link& link : links_) {
      ::close(link.client);
      ::close(link.server);
    }
    ::close(listener_);
  }

  int port() const { return port_; }
  /// Everything relayed so far, both directions one after the other as it came.
  std::string seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  struct Link {
    int client, server;
    bool closed = false;
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
    links_.push_back(Link{client, server});
  }

  // Copies one read from `from` to `to`; false when `from` has closed.
  bool Relay(int from, int to) {
    char buffer[16384];
    ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.append(buffer, static_cast<size_t>(n));
    }
    SendAll(to, buffer, static_cast<size_t>(n));
    return true;
  }

  void Serve() {
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
        bool open = true;
        if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))
          open = Relay(link.client, link.server);
        if (open && fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))
          open = Relay(link.server, link.client);
        if (!open) {
          // Pass the end on, so that each side sees the other leave.
          ::shutdown(link.client, SHUT_RDWR);
          ::shutdown(link.server, SHUT_RDWR);
          link.closed = true;
        }
      }
    }
  }

  int upstreamPort_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::string seen_;
  std::vector<Link> links_;  // touched by the worker only while it runs
  std::thread worker_;
};

}  // namespace pelvane::testing
