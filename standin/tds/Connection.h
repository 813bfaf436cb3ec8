// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "standin/sql/SqlEngine.h"
#include "standin/tds/ConnectionStream.h"
#include "standin/tds/NtlmLogin.h"
#include "standin/tds/Packets.h"
#include "standin/tds/Socket.h"
#include "standin/tds/StatementProcedures.h"

namespace pelvane::standin::tds {

/// One client connection: PRELOGIN and LOGIN7, then batches, procedure calls and cancels
/// until the client leaves. Anything the client sends that cannot be trusted ends this
/// connection only.
class Connection {
 public:
  Connection(const Socket& socket, std::shared_ptr<ServerData> server, uint16_t spid,
             std::chrono::milliseconds latency, TlsConfig tls);

  /// Windows logins this connection checks by NTLM (none when null).
  void AcceptWindowsLogins(std::shared_ptr<const WindowsLogins> logins) {
    windowsLogins_ = std::move(logins);
  }

  /// Serves the client; returns why the connection ended ("" when the client simply left).
  std::string Serve();

 private:
  // Each returns false when the connection must close (with the reason, if any, in `reason`).
  bool OnLogin(const Message& message, std::string& reason);
  bool OnSqlBatch(const Message& message, std::string& reason);
  bool OnRpc(const Message& message);
  bool Send(const std::string& payload);

  ConnectionStream stream_;
  std::shared_ptr<ServerData> server_;
  uint16_t spid_;
  std::chrono::milliseconds latency_;
  uint32_t tdsVersion_ = 0x74000004;
  size_t packetSize_ = kDefaultPacketSize;
  std::unique_ptr<Session> session_;
  StatementProcedures statements_;
  std::shared_ptr<const WindowsLogins> windowsLogins_;
};

}  // namespace pelvane::standin::tds
