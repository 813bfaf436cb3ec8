// SPDX-License-Identifier: GPL-3.0-or-later
#include "freetds/EncryptionChecks.h"

#include "freetds/CertificateCheck.h"
#include "freetds/FreeTdsVersion.h"

namespace pelvane::freetds {

namespace {

engine::LoginCheck Failure(engine::LoginCheckKind kind, const std::string& message) {
  engine::LoginCheck check;
  check.kind = kind;
  check.error.message = message;
  check.error.source = "Pelvane";
  return check;
}

/// Whether FreeTDS was told to check the certificate.
bool ChecksCertificate(const engine::SqlEncryption& encryption) {
  return encryption.mode != engine::EncryptMode::kOptional && !encryption.trustServerCertificate;
}

}  // namespace

std::optional<engine::LoginCheck> CheckBeforeConnecting(const std::string& server,
                                                        const TdsServerName& address,
                                                        const engine::SqlEncryption& encryption,
                                                        std::chrono::milliseconds limit) {
  if (encryption.mode == engine::EncryptMode::kStrict) {
    const std::string version = FreeTdsVersion();
    if (!SupportsStrictEncryption(version))
      return Failure(engine::LoginCheckKind::kStrictUnavailable, StrictUnavailableMessage(version));
  }
  if (!ChecksCertificate(encryption) || encryption.hostNameInCertificate.empty())
    return std::nullopt;
  CertificateVerdict verdict = CheckServerCertificate(address, encryption, limit);
  switch (verdict.kind) {
    case CertificateVerdict::Kind::kRefused:
      return Failure(engine::LoginCheckKind::kCertificateRefused,
                     CertificateRefusedMessage(server, verdict.reason));
    case CertificateVerdict::Kind::kNoEncryption:
    case CertificateVerdict::Kind::kTrusted:
      return std::nullopt;
    case CertificateVerdict::Kind::kNotChecked:
      break;
  }
  // FreeTDS gets its turn and finds the server unreachable in its own words; what it cannot do
  // is check the name, so a certificate that could not be looked at is not let through.
  if (verdict.reason == "no connection") return std::nullopt;
  return Failure(engine::LoginCheckKind::kCertificateRefused,
                 CertificateRefusedMessage(server, verdict.reason));
}

std::optional<engine::LoginCheck> ExplainFailedConnection(const std::string& server,
                                                          const TdsServerName& address,
                                                          const engine::SqlEncryption& encryption,
                                                          std::chrono::milliseconds limit) {
  if (encryption.mode == engine::EncryptMode::kOptional || !address.instance.empty())
    return std::nullopt;
  CertificateVerdict verdict = CheckServerCertificate(address, encryption, limit);
  if (verdict.kind == CertificateVerdict::Kind::kNoEncryption && encryption.modeWritten &&
      encryption.mode == engine::EncryptMode::kMandatory)
    return Failure(engine::LoginCheckKind::kOtherError, NoEncryptionMessage(server));
  if (verdict.kind == CertificateVerdict::Kind::kRefused && ChecksCertificate(encryption))
    return Failure(engine::LoginCheckKind::kCertificateRefused,
                   CertificateRefusedMessage(server, verdict.reason));
  return std::nullopt;
}

}  // namespace pelvane::freetds
