// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "settings/Status.h"
#include "standin/tds/Socket.h"

namespace pelvane::standin::tds {

/// A SQL Server Browser for one named instance: answers CLNT_UCAST_INST requests for that
/// instance on UDP 127.0.0.1:1434 with the TCP port of the first stand-in server, and stays
/// silent for any other instance, as the real browser does. Stops with the object.
class BrowserResponder {
 public:
  static Result<std::unique_ptr<BrowserResponder>> Start(const std::string& instance, int tcpPort,
                                                         int udpPort = 1434);
  /// Only Start can make the key, so a responder always has its socket.
  class Key {
    friend class BrowserResponder;
    Key() = default;
  };
  BrowserResponder(Key, Socket socket, Socket wakeRead, Socket wakeWrite, std::string instance,
                   int tcpPort);
  ~BrowserResponder();
  BrowserResponder(const BrowserResponder&) = delete;
  BrowserResponder& operator=(const BrowserResponder&) = delete;

  /// The SVR_RESP datagram for a request, or "" when it is not answered.
  static std::string Answer(const std::string& request, const std::string& instance, int tcpPort);

 private:
  void Serve();

  Socket socket_;
  Socket wakeRead_;
  Socket wakeWrite_;
  std::string instance_;
  int tcpPort_;
  std::thread thread_;
};

}  // namespace pelvane::standin::tds
