// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

#include "standin/tds/Socket.h"

namespace pelvane::standin::tds {

/// What a connection reads its messages from and writes its replies to: the socket itself, or
/// a TLS session over it.
class ByteStream {
 public:
  virtual ~ByteStream() = default;
  /// Fills the whole buffer; false on end of stream or error.
  virtual bool ReadExact(char* data, size_t size) = 0;
  /// Sends everything; false when the peer has gone.
  virtual bool WriteAll(const std::string& data) = 0;
};

/// The socket in clear.
class SocketStream : public ByteStream {
 public:
  explicit SocketStream(const Socket& socket) : socket_(socket) {}
  bool ReadExact(char* data, size_t size) override { return socket_.ReadExact(data, size); }
  bool WriteAll(const std::string& data) override { return socket_.WriteAll(data); }
  const Socket& socket() const { return socket_; }

 private:
  const Socket& socket_;
};

}  // namespace pelvane::standin::tds
