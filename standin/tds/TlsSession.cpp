// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/TlsSession.h"

#include <gnutls/gnutls.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "standin/tds/Packets.h"

namespace pelvane::standin::tds {
namespace {

// TDS 7.x cannot carry TLS 1.3 (see the class comment).
constexpr const char* kPriorities = "NORMAL:-VERS-TLS1.3";
constexpr size_t kRecordChunk = 16384;

std::string TlsError(const std::string& what, int code) {
  return what + ": " + gnutls_strerror(code);
}

}  // namespace

struct TlsCredentials::Handle {
  gnutls_certificate_credentials_t credentials = nullptr;
  ~Handle() {
    if (credentials) gnutls_certificate_free_credentials(credentials);
  }
};

TlsCredentials::TlsCredentials(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
TlsCredentials::~TlsCredentials() = default;

Result<std::shared_ptr<const TlsCredentials>> TlsCredentials::Load(
    const std::string& certificateFile, const std::string& keyFile) {
  auto handle = std::make_unique<Handle>();
  int code = gnutls_certificate_allocate_credentials(&handle->credentials);
  if (code < 0) return Status::Error(TlsError("TLS credentials", code));
  code = gnutls_certificate_set_x509_key_file(handle->credentials, certificateFile.c_str(),
                                              keyFile.c_str(), GNUTLS_X509_FMT_PEM);
  if (code < 0)
    return Status::Error(TlsError("certificate " + certificateFile + " with key " + keyFile, code));
  return std::shared_ptr<const TlsCredentials>(std::make_shared<TlsCredentials>(std::move(handle)));
}

struct TlsSession::State {
  explicit State(const Socket& s) : socket(s), plain(s) {}
  ~State() {
    if (session) gnutls_deinit(session);
  }

  // During the handshake the records go in and out of PRELOGIN packets.
  bool wrapped = true;
  const Socket& socket;
  SocketStream plain;
  gnutls_session_t session = nullptr;
  std::string outgoing;  // handshake bytes not yet sent in a packet
  std::string incoming;  // handshake bytes from the client's packets, not yet taken
  size_t incomingAt = 0;

  // The server's flight goes out as one message once the library wants to read, or once
  // the handshake ends.
  bool Flush() {
    if (outgoing.empty()) return true;
    bool sent = plain.WriteAll(EncodePackets(kPrelogin, 0, outgoing, kDefaultPacketSize));
    outgoing.clear();
    return sent;
  }

  static ssize_t Push(gnutls_transport_ptr_t self, const void* data, size_t size) {
    State& state = *static_cast<State*>(self);
    if (state.wrapped) {
      state.outgoing.append(static_cast<const char*>(data), size);
      return static_cast<ssize_t>(size);
    }
    for (;;) {
      ssize_t n = ::send(state.socket.fd(), data, size, MSG_NOSIGNAL);
      if (n >= 0 || errno != EINTR) return n;
    }
  }

  static ssize_t Pull(gnutls_transport_ptr_t self, void* data, size_t size) {
    State& state = *static_cast<State*>(self);
    if (!state.wrapped) {
      for (;;) {
        ssize_t n = ::recv(state.socket.fd(), data, size, 0);
        if (n >= 0 || errno != EINTR) return n;
      }
    }
    if (!state.Flush()) {
      errno = EPIPE;
      return -1;
    }
    while (state.incomingAt == state.incoming.size()) {  // an empty packet holds nothing yet
      Result<Message> message = ReadMessage(state.plain);
      if (!message) {
        if (message.status().number() == kPeerClosed) return 0;
        errno = ECONNRESET;
        return -1;
      }
      if (message->type != kPrelogin) {
        errno = EPROTO;
        return -1;
      }
      state.incoming = std::move(message->payload);
      state.incomingAt = 0;
    }
    const size_t n = std::min(size, state.incoming.size() - state.incomingAt);
    state.incoming.copy(static_cast<char*>(data), n, state.incomingAt);
    state.incomingAt += n;
    return static_cast<ssize_t>(n);
  }
};

TlsSession::TlsSession(std::unique_ptr<State> state) : state_(std::move(state)) {}
TlsSession::~TlsSession() = default;

Result<std::unique_ptr<TlsSession>> TlsSession::Accept(const Socket& socket,
                                                       const TlsCredentials& credentials) {
  auto state = std::make_unique<State>(socket);
  int code = gnutls_init(&state->session, GNUTLS_SERVER);
  if (code < 0) return Status::Error(TlsError("TLS session", code));
  gnutls_session_t session = state->session;
  if ((code = gnutls_priority_set_direct(session, kPriorities, nullptr)) < 0 ||
      (code = gnutls_credentials_set(session, GNUTLS_CRD_CERTIFICATE,
                                     credentials.handle().credentials)) < 0)
    return Status::Error(TlsError("TLS session", code));
  gnutls_certificate_server_set_request(session, GNUTLS_CERT_IGNORE);
  gnutls_transport_set_ptr(session, state.get());
  gnutls_transport_set_push_function(session, &State::Push);
  gnutls_transport_set_pull_function(session, &State::Pull);
  do {
    code = gnutls_handshake(session);
  } while (code < 0 && !gnutls_error_is_fatal(code));
  if (code < 0) return Status::Error(TlsError("TLS handshake", code));
  if (!state->Flush()) return Status::Error("TLS handshake: client left");
  state->wrapped = false;
  return std::make_unique<TlsSession>(std::move(state));
}

bool TlsSession::ReadExact(char* data, size_t size) {
  while (size > 0) {
    ssize_t n = gnutls_record_recv(state_->session, data, size);
    if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool TlsSession::WriteAll(const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = gnutls_record_send(state_->session, data.data() + sent,
                                   std::min(kRecordChunk, data.size() - sent));
    if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace pelvane::standin::tds
