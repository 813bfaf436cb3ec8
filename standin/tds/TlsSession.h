// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "settings/Status.h"
#include "standin/tds/ByteStream.h"
#include "standin/tds/Socket.h"

namespace pelvane::standin::tds {

/// The server's certificate and key, loaded once and shared by every connection.
class TlsCredentials {
 public:
  /// Reads PEM files; an error names the file or says why the pair is unusable.
  static Result<std::shared_ptr<const TlsCredentials>> Load(const std::string& certificateFile,
                                                            const std::string& keyFile);
  struct Handle;
  explicit TlsCredentials(std::unique_ptr<Handle> handle);
  ~TlsCredentials();
  const Handle& handle() const { return *handle_; }

 private:
  std::unique_ptr<Handle> handle_;
};

/// The server side of TLS as TDS 7.x carries it: the handshake travels inside PRELOGIN (0x12)
/// packets, then TLS records go raw on the socket. Capped at TLS 1.2, since a TLS 1.3 client
/// finishes its handshake without reading again and its last flight would wait in its buffer.
class TlsSession : public ByteStream {
 public:
  /// Runs the handshake over the socket; an error says why it failed.
  static Result<std::unique_ptr<TlsSession>> Accept(const Socket& socket,
                                                    const TlsCredentials& credentials);
  struct State;
  explicit TlsSession(std::unique_ptr<State> state);
  ~TlsSession() override;
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  bool ReadExact(char* data, size_t size) override;
  bool WriteAll(const std::string& data) override;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace pelvane::standin::tds
