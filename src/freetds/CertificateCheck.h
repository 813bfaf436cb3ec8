// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

#include "engine/ports/SqlClient.h"
#include "freetds/TdsServerName.h"

namespace pelvane::freetds {

/// What the server showed when we asked for encryption ourselves.
struct CertificateVerdict {
  enum class Kind {
    kTrusted,       // valid for the CA and the name
    kRefused,       // `reason`: "self-signed", "unknown CA", "wrong host name", "expired", ...
    kNoEncryption,  // the server offers no encryption
    kNotChecked,    // no connection, no TLS, or a broken exchange: `reason` says why
  };
  Kind kind = Kind::kNotChecked;
  std::string reason;
};

/// Connects to the server (host and port; an instance needs its port first), sends a PRELOGIN
/// that asks for encryption, does the TLS handshake inside TDS packets as SQL Server has it
/// for TDS 7.x, and validates the server's certificate against encryption.serverCertificate
/// (empty: the system's CA store) and the name (encryption.hostNameInCertificate, else the
/// host). Nothing is sent after the handshake. Ends within `limit`.
CertificateVerdict CheckServerCertificate(const TdsServerName& server,
                                          const engine::SqlEncryption& encryption,
                                          std::chrono::milliseconds limit);

/// 'Certificate of SERVER not trusted (REASON). Set TrustServerCertificate or ServerCertificate
/// for this server.'
std::string CertificateRefusedMessage(const std::string& server, const std::string& reason);

/// Why a server set to "Mandatory" that offers no encryption was not used.
std::string NoEncryptionMessage(const std::string& server);

}  // namespace pelvane::freetds
