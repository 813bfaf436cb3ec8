// SPDX-License-Identifier: GPL-3.0-or-later
#include "freetds/CertificateCheck.h"

#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace pelvane::freetds {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kPreLogin = 0x12;
constexpr uint8_t kReply = 0x04;
constexpr uint8_t kEncryptOn = 0x01;
constexpr uint8_t kEncryptNotSupported = 0x02;
constexpr size_t kHeader = 8;

CertificateVerdict NotChecked(const std::string& why) {
  return {CertificateVerdict::Kind::kNotChecked, why};
}

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool Wait(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, MillisecondsLeft(deadline));
    if (n < 0 && errno == EINTR) continue;
    return n > 0;
  }
}

/// A connected socket, or -1.
int Connect(const TdsServerName& server, Clock::time_point deadline) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(server.host.c_str(), std::to_string(server.port).c_str(), &hints, &found) != 0)
    return -1;
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> list(found, ::freeaddrinfo);
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ||
        (errno == EINPROGRESS && Wait(fd, POLLOUT, deadline))) {
      int error = 0;
      socklen_t size = sizeof error;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) return fd;
    }
    ::close(fd);
  }
  return -1;
}

bool SendAll(int fd, const uint8_t* data, size_t size, Clock::time_point deadline) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && Wait(fd, POLLOUT, deadline)) continue;
    return false;
  }
  return true;
}

bool ReadAll(int fd, uint8_t* data, size_t size, Clock::time_point deadline) {
  while (size > 0) {
    const ssize_t n = ::recv(fd, data, size, 0);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && Wait(fd, POLLIN, deadline)) continue;
    return false;
  }
  return true;
}

/// The TDS packets of one exchange: PRELOGIN in clear, then the TLS handshake inside PRELOGIN
/// packets.
struct Exchange {
  int fd;
  Clock::time_point deadline;
  uint8_t packetId = 1;
  std::vector<uint8_t> pending;  // payload received and not yet read
  size_t read = 0;

  bool Send(uint8_t type, const uint8_t* payload, size_t size) {
    std::vector<uint8_t> packet(kHeader + size);
    packet[0] = type;
    packet[1] = 0x01;  // end of message
    packet[2] = static_cast<uint8_t>(packet.size() >> 8);
    packet[3] = static_cast<uint8_t>(packet.size() & 0xff);
    packet[6] = packetId++;
    if (size > 0) std::memcpy(packet.data() + kHeader, payload, size);
    return SendAll(fd, packet.data(), packet.size(), deadline);
  }

  /// The payload of the next packet; false when none came.
  bool Receive(std::vector<uint8_t>& payload) {
    uint8_t header[kHeader];
    if (!ReadAll(fd, header, kHeader, deadline)) return false;
    const size_t length = (static_cast<size_t>(header[2]) << 8) | header[3];
    if (length < kHeader) return false;
    payload.resize(length - kHeader);
    return payload.empty() || ReadAll(fd, payload.data(), payload.size(), deadline);
  }
};

ssize_t PushTls(gnutls_transport_ptr_t context, const void* data, size_t size) {
  auto* exchange = static_cast<Exchange*>(context);
  if (!exchange->Send(kPreLogin, static_cast<const uint8_t*>(data), size)) {
    errno = EIO;
    return -1;
  }
  return static_cast<ssize_t>(size);
}

ssize_t PullTls(gnutls_transport_ptr_t context, void* data, size_t size) {
  auto* exchange = static_cast<Exchange*>(context);
  if (exchange->read >= exchange->pending.size()) {
    exchange->read = 0;
    if (!exchange->Receive(exchange->pending)) {
      exchange->pending.clear();
      errno = EIO;
      return -1;
    }
  }
  const size_t n = std::min(size, exchange->pending.size() - exchange->read);
  std::memcpy(data, exchange->pending.data() + exchange->read, n);
  exchange->read += n;
  return static_cast<ssize_t>(n);
}

/// Whether the handshake can read within `ms`: gnutls asks before reading once it has a
/// time-out, and its own way would take the transport pointer for a socket.
int PullTimeout(gnutls_transport_ptr_t context, unsigned int ms) {
  auto* exchange = static_cast<Exchange*>(context);
  if (exchange->read < exchange->pending.size()) return 1;
  pollfd p{exchange->fd, POLLIN, 0};
  const int n = ::poll(&p, 1,
                       ms == GNUTLS_INDEFINITE_TIMEOUT ? MillisecondsLeft(exchange->deadline)
                                                       : static_cast<int>(ms));
  return n < 0 ? -1 : n;
}

/// The server's answer to a PRELOGIN asking for encryption; -1 when it gave none.
int ServerEncryption(Exchange& exchange) {
  // VERSION and ENCRYPTION, then the terminator and their data.
  const uint8_t prelogin[] = {0x00, 0x00, 0x0b, 0x00, 0x06, 0x01, 0x00, 0x11, 0x00,
                              0x01, 0xff, 0x0f, 0x00, 0x07, 0xd0, 0x00, 0x00, kEncryptOn};
  if (!exchange.Send(kPreLogin, prelogin, sizeof prelogin)) return -1;
  uint8_t header[kHeader];
  if (!ReadAll(exchange.fd, header, kHeader, exchange.deadline) || header[0] != kReply) return -1;
  const size_t length = (static_cast<size_t>(header[2]) << 8) | header[3];
  if (length < kHeader) return -1;
  std::vector<uint8_t> payload(length - kHeader);
  if (!ReadAll(exchange.fd, payload.data(), payload.size(), exchange.deadline)) return -1;
  for (size_t i = 0; i + 5 <= payload.size() && payload[i] != 0xff; i += 5) {
    const size_t offset = (static_cast<size_t>(payload[i + 1]) << 8) | payload[i + 2];
    if (payload[i] == 0x01 && offset < payload.size()) return payload[offset];
  }
  return -1;
}

struct SessionDeleter {
  void operator()(gnutls_session_t session) const { gnutls_deinit(session); }
};
struct CredentialsDeleter {
  void operator()(gnutls_certificate_credentials_t c) const {
    gnutls_certificate_free_credentials(c);
  }
};
struct CertificateDeleter {
  void operator()(gnutls_x509_crt_t c) const { gnutls_x509_crt_deinit(c); }
};

/// The reason for a failed verification, most basic first.
std::string Reason(gnutls_session_t session, unsigned status) {
  if (status & GNUTLS_CERT_SIGNER_NOT_FOUND) {
    unsigned count = 0;
    const gnutls_datum_t* chain = gnutls_certificate_get_peers(session, &count);
    gnutls_x509_crt_t raw = nullptr;
    if (count > 0 && gnutls_x509_crt_init(&raw) == 0) {
      std::unique_ptr<std::remove_pointer_t<gnutls_x509_crt_t>, CertificateDeleter> leaf(raw);
      if (gnutls_x509_crt_import(leaf.get(), &chain[0], GNUTLS_X509_FMT_DER) == 0 &&
          gnutls_x509_crt_check_issuer(leaf.get(), leaf.get()) != 0)
        return "self-signed";
    }
    return "unknown CA";
  }
  if (status & GNUTLS_CERT_EXPIRED) return "expired";
  if (status & GNUTLS_CERT_NOT_ACTIVATED) return "not yet valid";
  if (status & GNUTLS_CERT_UNEXPECTED_OWNER) return "wrong host name";
  if (status & GNUTLS_CERT_REVOKED) return "revoked";
  gnutls_datum_t text{};
  std::string printed = "invalid";
  if (gnutls_certificate_verification_status_print(status, GNUTLS_CRT_X509, &text, 0) == 0) {
    printed = reinterpret_cast<const char*>(text.data);
    gnutls_free(text.data);
  }
  return printed;
}

}  // namespace

CertificateVerdict CheckServerCertificate(const TdsServerName& server,
                                          const engine::SqlEncryption& encryption,
                                          std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  Socket socket(Connect(server, deadline));
  if (socket.get() < 0) return NotChecked("no connection");
  Exchange exchange{socket.get(), deadline, 1, {}, 0};
  const int offered = ServerEncryption(exchange);
  if (offered < 0) return NotChecked("no PRELOGIN answer");
  if (offered == kEncryptNotSupported) return {CertificateVerdict::Kind::kNoEncryption, ""};

  gnutls_certificate_credentials_t rawCredentials = nullptr;
  if (gnutls_certificate_allocate_credentials(&rawCredentials) != 0)
    return NotChecked("no TLS credentials");
  std::unique_ptr<std::remove_pointer_t<gnutls_certificate_credentials_t>, CredentialsDeleter>
      credentials(rawCredentials);
  const int anchors =
      encryption.serverCertificate.empty()
          ? gnutls_certificate_set_x509_system_trust(credentials.get())
          : gnutls_certificate_set_x509_trust_file(
                credentials.get(), encryption.serverCertificate.c_str(), GNUTLS_X509_FMT_PEM);
  if (anchors <= 0 && !encryption.serverCertificate.empty())
    return {CertificateVerdict::Kind::kRefused,
            "no certificate readable in " + encryption.serverCertificate};

  gnutls_session_t rawSession = nullptr;
  if (gnutls_init(&rawSession, GNUTLS_CLIENT) != 0) return NotChecked("no TLS session");
  std::unique_ptr<std::remove_pointer_t<gnutls_session_t>, SessionDeleter> session(rawSession);
  // TLS 1.3 inside TDS 7.x packets does not finish; SQL Server offers it only with TDS 8.0.
  gnutls_priority_set_direct(session.get(), "NORMAL:-VERS-TLS1.3", nullptr);
  gnutls_credentials_set(session.get(), GNUTLS_CRD_CERTIFICATE, credentials.get());
  const std::string& name =
      encryption.hostNameInCertificate.empty() ? server.host : encryption.hostNameInCertificate;
  gnutls_server_name_set(session.get(), GNUTLS_NAME_DNS, name.data(), name.size());
  gnutls_transport_set_ptr(session.get(), &exchange);
  gnutls_transport_set_push_function(session.get(), PushTls);
  gnutls_transport_set_pull_function(session.get(), PullTls);
  gnutls_transport_set_pull_timeout_function(session.get(), PullTimeout);
  gnutls_handshake_set_timeout(session.get(), static_cast<unsigned>(MillisecondsLeft(deadline)));
  int rc = 0;
  do {
    rc = gnutls_handshake(session.get());
  } while (rc < 0 && gnutls_error_is_fatal(rc) == 0);
  if (rc < 0) return NotChecked(std::string("TLS handshake failed: ") + gnutls_strerror(rc));

  unsigned status = 0;
  if (gnutls_certificate_verify_peers3(session.get(), name.c_str(), &status) != 0)
    return NotChecked("the certificate could not be verified");
  if (status == 0) return {CertificateVerdict::Kind::kTrusted, ""};
  return {CertificateVerdict::Kind::kRefused, Reason(session.get(), status)};
}

std::string CertificateRefusedMessage(const std::string& server, const std::string& reason) {
  return "Certificate of " + server + " not trusted (" + reason +
         "). Set TrustServerCertificate or ServerCertificate for this server.";
}

std::string NoEncryptionMessage(const std::string& server) {
  return "Server " + server +
         " offers no encryption, and \"Encrypt\" is Mandatory for it. Set Encrypt to Optional "
         "for this server to connect without encryption.";
}

}  // namespace pelvane::freetds
