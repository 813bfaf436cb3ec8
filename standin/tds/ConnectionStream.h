// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "settings/Status.h"
#include "standin/tds/ByteStream.h"
#include "standin/tds/Socket.h"
#include "standin/tds/TlsOptions.h"
#include "standin/tds/TlsSession.h"

namespace pelvane::standin::tds {

/// A connection's bytes: in clear, or through TLS once PRELOGIN has agreed on it, and in clear
/// again after the login when only the login was to be encrypted.
class ConnectionStream : public ByteStream {
 public:
  ConnectionStream(const Socket& socket, TlsConfig tls) : plain_(socket), tls_(std::move(tls)) {}

  bool ReadExact(char* data, size_t size) override { return active().ReadExact(data, size); }
  bool WriteAll(const std::string& data) override { return active().WriteAll(data); }

  /// Answers the client's PRELOGIN and runs the TLS handshake when both sides agreed on it.
  /// An error (a failed handshake, a client that cannot encrypt for a server that requires
  /// it) ends the connection.
  Status AnswerPrelogin(const std::string& clientPayload, uint16_t spid);
  /// Called once the LOGIN7 message has been read: leaves TLS when it was for the login only,
  /// and refuses a login that came in clear to a server that requires encryption.
  Status LoginRead();

 private:
  ByteStream& active() { return session_ ? static_cast<ByteStream&>(*session_) : plain_; }

  SocketStream plain_;
  const TlsConfig tls_;
  std::unique_ptr<TlsSession> session_;
  bool loginOnly_ = false;
  bool encrypted_ = false;
};

}  // namespace pelvane::standin::tds
