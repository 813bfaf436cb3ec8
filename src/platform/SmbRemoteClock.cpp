// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SmbRemoteClock.h"

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "platform/SmbNegotiate.h"
#include "platform/SmbPath.h"

namespace pelvane::platform {

namespace {

using Clock = std::chrono::steady_clock;

/// A socket, closed with the object.
class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

struct AddressListDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0;
  }
}

/// A connected non-blocking socket to the first address that answers in time.
std::unique_ptr<Socket> ConnectTo(const MachineAddress& machine, Clock::time_point deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(machine.port);
  if (getaddrinfo(machine.host.c_str(), port.c_str(), &hints, &found) != 0) return nullptr;
  std::unique_ptr<addrinfo, AddressListDeleter> list(found);
  for (addrinfo* address = list.get(); address != nullptr; address = address->ai_next) {
    auto socket = std::make_unique<Socket>(
        ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket->fd() < 0) continue;
    if (::connect(socket->fd(), address->ai_addr, address->ai_addrlen) == 0) return socket;
    if (errno != EINPROGRESS || !WaitFor(socket->fd(), POLLOUT, deadline)) continue;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket->fd(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
      return socket;
    }
  }
  return nullptr;
}

bool SendAll(int fd, const std::string& bytes, Clock::time_point deadline) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(fd, POLLOUT, deadline)) return false;
    } else {
      return false;
    }
  }
  return true;
}

std::optional<std::string> ReceiveExactly(int fd, size_t count, Clock::time_point deadline) {
  std::string bytes(count, '\0');
  size_t got = 0;
  while (got < count) {
    const ssize_t n = ::recv(fd, bytes.data() + got, count - got, 0);
    if (n > 0) {
      got += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(fd, POLLIN, deadline)) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  return bytes;
}

int LocalMinutesWest(std::time_t at) {
  std::tm local{};
  localtime_r(&at, &local);
  return static_cast<int>(-local.tm_gmtoff / 60);
}

}  // namespace

std::optional<engine::RemoteTime> SmbRemoteClock::CurrentTime(const std::string& machine) {
  if (machine.empty()) {
    const std::time_t now = std::time(nullptr);
    return engine::RemoteTime{now, LocalMinutesWest(now)};
  }
  std::optional<MachineAddress> address = ParseMachine(machine);
  if (!address) return std::nullopt;
  if (address->port == 0) address->port = kSmbPort;

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  const std::unique_ptr<Socket> socket = ConnectTo(*address, deadline);
  if (!socket || !SendAll(socket->fd(), SmbNegotiateRequest(), deadline)) return std::nullopt;

  const std::optional<std::string> header = ReceiveExactly(socket->fd(), 4, deadline);
  if (!header) return std::nullopt;
  const std::optional<size_t> length = FramedLength(*header);
  constexpr size_t kLongestAnswer = 64 * 1024;
  if (!length || *length > kLongestAnswer) return std::nullopt;
  const std::optional<std::string> payload = ReceiveExactly(socket->fd(), *length, deadline);
  if (!payload) return std::nullopt;

  const std::optional<NegotiatedTime> time = ReadNegotiateResponse(*payload);
  if (!time) return std::nullopt;
  // SMB2 tells no time zone: the machine is taken to keep the same zone as this one.
  return engine::RemoteTime{time->utc,
                            time->minutesWestOfUtc.value_or(LocalMinutesWest(time->utc))};
}

}  // namespace pelvane::platform
