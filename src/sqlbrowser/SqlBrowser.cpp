// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqlbrowser/SqlBrowser.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "sqlbrowser/BrowserMessages.h"

namespace pelvane::sqlbrowser {
namespace {

using Clock = std::chrono::steady_clock;

/// One datagram socket, closed once.
class UdpSocket {
 public:
  explicit UdpSocket(int fd) : fd_(fd) {}
  ~UdpSocket() {
    if (fd_ >= 0) ::close(fd_);
  }
  UdpSocket(UdpSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;
  UdpSocket& operator=(UdpSocket&&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

struct AddressListDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

std::string Trimmed(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool ParsePort(const std::string& text, int& port) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  port = std::stoi(text);
  return port >= 1 && port <= 65535;
}

ServerEndpoint Failed(std::string message) {
  ServerEndpoint endpoint;
  endpoint.end = ServerEndpoint::End::kFailed;
  endpoint.message = std::move(message);
  return endpoint;
}

/// Sockets connected to every address of host at the browser's port; a connected datagram
/// socket also hears the "port unreachable" of a machine without a browser.
std::vector<UdpSocket> BrowserSockets(const std::string& host, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(host.c_str(), std::to_string(kBrowserPort).c_str(), &hints, &found);
  if (rc != 0) {
    error = "Cannot resolve the server name " + host + ": " + ::gai_strerror(rc) + ".";
    return {};
  }
  std::unique_ptr<addrinfo, AddressListDeleter> list(found);
  std::vector<UdpSocket> sockets;
  for (addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
    UdpSocket socket(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
    if (socket.fd() >= 0 && ::connect(socket.fd(), a->ai_addr, a->ai_addrlen) == 0)
      sockets.push_back(std::move(socket));
  }
  if (sockets.empty()) error = "Cannot reach " + host + " to ask its SQL Server Browser.";
  return sockets;
}

/// The instance's port, or 0 when no browser answered within the time-out.
int AskBrowsers(const std::vector<UdpSocket>& sockets, const std::string& instance,
                std::chrono::milliseconds timeout) {
  const std::string request = InstanceRequest(instance);
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + timeout;
  // A datagram may be lost: the request goes out again halfway through the wait.
  const Clock::time_point resend = start + timeout / 2;
  bool resent = false;
  std::vector<bool> live(sockets.size(), true);
  for (const UdpSocket& socket : sockets)
    (void)::send(socket.fd(), request.data(), request.size(), MSG_NOSIGNAL);
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return 0;
    if (!resent && now >= resend) {
      resent = true;
      for (size_t i = 0; i < sockets.size(); ++i)
        if (live[i]) (void)::send(sockets[i].fd(), request.data(), request.size(), MSG_NOSIGNAL);
    }
    std::vector<pollfd> watched;
    std::vector<size_t> which;
    for (size_t i = 0; i < sockets.size(); ++i) {
      if (!live[i]) continue;
      watched.push_back({sockets[i].fd(), POLLIN, 0});
      which.push_back(i);
    }
    // Every address refused: nothing listens, and waiting longer changes nothing.
    if (watched.empty()) return 0;
    const Clock::time_point until = resent ? deadline : resend;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
    const int ready = ::poll(watched.data(), watched.size(), static_cast<int>(wait) + 1);
    if (ready < 0 && errno != EINTR) return 0;
    for (size_t k = 0; ready > 0 && k < watched.size(); ++k) {
      if (watched[k].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = ::recv(watched[k].fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got < 0) {
        if (errno == ECONNREFUSED) live[which[k]] = false;
        continue;
      }
      const std::optional<int> port =
          TcpPortInReply(std::string(buffer, static_cast<size_t>(got)), instance);
      if (port) return *port;
    }
  }
}

}  // namespace

std::string BrowserSilentMessage(const std::string& host, const std::string& instance) {
  return "SQL Server Browser on " + host + " did not answer for instance " + instance + ".";
}

ServerEndpoint ResolveServerName(const std::string& server, std::chrono::milliseconds timeout) {
  const std::string text = Trimmed(server);
  const size_t backslash = text.find('\\');
  if (backslash == std::string::npos) return {};
  const size_t comma = text.find_first_of(",:", backslash);  // "host,port" or "host:port"
  const std::string host = Trimmed(text.substr(0, backslash));
  const std::string instance = Trimmed(
      text.substr(backslash + 1, comma == std::string::npos ? comma : comma - backslash - 1));
  if (host.empty()) return Failed("No host name in the server name \"" + text + "\".");
  if (instance.empty()) return Failed("No instance name in the server name \"" + text + "\".");

  ServerEndpoint endpoint;
  endpoint.host = host;
  if (comma != std::string::npos) {
    if (!ParsePort(Trimmed(text.substr(comma + 1)), endpoint.port))
      return Failed("Invalid port in the server name \"" + text + "\".");
    endpoint.end = ServerEndpoint::End::kResolved;
    return endpoint;
  }
  std::string error;
  const std::vector<UdpSocket> sockets = BrowserSockets(host, error);
  if (sockets.empty()) return Failed(error);
  endpoint.port = AskBrowsers(sockets, instance, timeout);
  if (endpoint.port == 0) {
    endpoint.end = ServerEndpoint::End::kSilent;
    endpoint.message = BrowserSilentMessage(host, instance);
    return endpoint;
  }
  endpoint.end = ServerEndpoint::End::kResolved;
  return endpoint;
}

}  // namespace pelvane::sqlbrowser
