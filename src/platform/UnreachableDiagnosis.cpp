// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UnreachableDiagnosis.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <memory>

#include "platform/OdbcDiagnostics.h"
#include "settings/ProfileText.h"

namespace pelvane::platform {

namespace {

constexpr int kDefaultPort = 1433;

struct AddressListFree {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

enum class Reach { kTaken, kRefused, kSilent };

Reach TryAddress(const addrinfo& address, std::chrono::milliseconds limit) {
  Socket socket(::socket(address.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (socket.get() < 0) return Reach::kSilent;
  if (connect(socket.get(), address.ai_addr, address.ai_addrlen) == 0) return Reach::kTaken;
  if (errno == ECONNREFUSED) return Reach::kRefused;
  if (errno != EINPROGRESS) return Reach::kSilent;
  pollfd wait{socket.get(), POLLOUT, 0};
  if (poll(&wait, 1, static_cast<int>(limit.count())) <= 0) return Reach::kSilent;
  int error = 0;
  socklen_t length = sizeof error;
  getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length);
  if (error == 0) return Reach::kTaken;
  return error == ECONNREFUSED ? Reach::kRefused : Reach::kSilent;
}

}  // namespace

std::optional<engine::SqlError> DiagnoseUnreachable(const std::string& server,
                                                    std::chrono::milliseconds limit) {
  std::string name(settings::TrimBlanks(server));
  if (name.compare(0, 4, "tcp:") == 0) name.erase(0, 4);
  if (name.find('\\') != std::string::npos) return std::nullopt;
  int port = kDefaultPort;
  if (size_t comma = name.find(','); comma != std::string::npos) {
    std::string digits(settings::TrimBlanks(name.substr(comma + 1)));
    auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size())
      return std::nullopt;
    name = std::string(settings::TrimBlanks(name.substr(0, comma)));
  }
  if (name.empty() || name == "." || name == "(local)") name = "localhost";

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int resolved = getaddrinfo(name.c_str(), std::to_string(port).c_str(), &hints, &found);
  std::unique_ptr<addrinfo, AddressListFree> list(found);
  if (resolved != 0) {
    return MakeSqlError(
        "08001", 11001,
        "The server name " + name + " could not be resolved (" + gai_strerror(resolved) + ").");
  }
  bool refused = false;
  for (const addrinfo* address = list.get(); address != nullptr; address = address->ai_next) {
    Reach reach = TryAddress(*address, limit);
    if (reach == Reach::kTaken) return std::nullopt;
    refused = refused || reach == Reach::kRefused;
  }
  const std::string where = name + " on port " + std::to_string(port);
  if (refused) return MakeSqlError("08001", 10061, "Connection refused by " + where + ".");
  return MakeSqlError("HYT00", 10060, "No answer from " + where + " in time.");
}

}  // namespace pelvane::platform
