// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/BrowserResponder.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace pelvane::standin::tds {
namespace {

constexpr char kClientUnicastInstance = 0x04;
constexpr char kServerResponse = 0x05;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string BrowserResponder::Answer(const std::string& request, const std::string& instance,
                                     int tcpPort) {
  // 0x04, the instance name, and a NUL that some clients leave out.
  if (request.size() < 2 || request[0] != kClientUnicastInstance) return "";
  std::string asked = request.substr(1);
  if (!asked.empty() && asked.back() == '\0') asked.pop_back();
  if (Upper(asked) != Upper(instance)) return "";
  const std::string text = "ServerName;STANDIN;InstanceName;" + instance +
                           ";IsClustered;No;Version;16.0.1000.6;tcp;" + std::to_string(tcpPort) +
                           ";;";
  std::string reply(1, kServerResponse);
  reply += static_cast<char>(text.size() & 0xFF);
  reply += static_cast<char>((text.size() >> 8) & 0xFF);
  return reply + text;
}

Result<std::unique_ptr<BrowserResponder>> BrowserResponder::Start(const std::string& instance,
                                                                  int tcpPort, int udpPort) {
  Socket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!socket.valid()) return Status::Error(std::string("browser socket: ") + std::strerror(errno));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(udpPort));
  if (::bind(socket.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return Status::Error("cannot answer as the SQL Browser on UDP 127.0.0.1:" +
                         std::to_string(udpPort) + ": " + std::strerror(errno));
  }
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
    return Status::Error(std::string("browser pipe: ") + std::strerror(errno));
  return std::make_unique<BrowserResponder>(Key(), std::move(socket), Socket(pipeEnds[0]),
                                            Socket(pipeEnds[1]), instance, tcpPort);
}

BrowserResponder::BrowserResponder(Key, Socket socket, Socket wakeRead, Socket wakeWrite,
                                   std::string instance, int tcpPort)
    : socket_(std::move(socket)),
      wakeRead_(std::move(wakeRead)),
      wakeWrite_(std::move(wakeWrite)),
      instance_(std::move(instance)),
      tcpPort_(tcpPort),
      thread_([this] { Serve(); }) {}

BrowserResponder::~BrowserResponder() {
  wakeWrite_ = Socket();  // the reader sees the end of the pipe
  thread_.join();
}

void BrowserResponder::Serve() {
  for (;;) {
    pollfd watched[2] = {{socket_.fd(), POLLIN, 0}, {wakeRead_.fd(), POLLIN, 0}};
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[1].revents != 0) return;
    char buffer[1024];
    sockaddr_storage from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got = ::recvfrom(socket_.fd(), buffer, sizeof buffer, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got <= 0) continue;
    const std::string reply =
        Answer(std::string(buffer, static_cast<size_t>(got)), instance_, tcpPort_);
    if (!reply.empty()) {
      (void)::sendto(socket_.fd(), reply.data(), reply.size(), 0,
                     reinterpret_cast<sockaddr*>(&from), fromLength);
    }
  }
}

}  // namespace pelvane::standin::tds
