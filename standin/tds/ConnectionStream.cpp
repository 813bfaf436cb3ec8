// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/ConnectionStream.h"

#include "standin/tds/LoginReplies.h"
#include "standin/tds/Packets.h"

namespace pelvane::standin::tds {

Status ConnectionStream::AnswerPrelogin(const std::string& clientPayload, uint16_t spid) {
  // A second PRELOGIN changes nothing once TLS is running.
  const bool haveCertificate = tls_.credentials != nullptr && !encrypted_;
  const EncryptionAnswer answer =
      NegotiateEncryption(tls_.setting, haveCertificate, ClientEncryptionByte(clientPayload));
  if (!WriteAll(EncodePackets(kReply, spid, PreloginReply(answer.replyByte), kDefaultPacketSize)))
    return Status::Error("client left during the pre-login");
  switch (answer.outcome) {
    case EncryptionOutcome::kClear:
      return Status::Ok();
    case EncryptionOutcome::kRefused:
      return Status::Error("the client cannot encrypt and this server requires encryption");
    case EncryptionOutcome::kLoginOnly:
    case EncryptionOutcome::kFull:
      break;
  }
  Result<std::unique_ptr<TlsSession>> session =
      TlsSession::Accept(plain_.socket(), *tls_.credentials);
  if (!session) return session.status();
  session_ = std::move(session).value();
  loginOnly_ = answer.outcome == EncryptionOutcome::kLoginOnly;
  encrypted_ = true;
  return Status::Ok();
}

Status ConnectionStream::LoginRead() {
  if (!encrypted_ && tls_.credentials && tls_.setting == EncryptionSetting::kRequired)
    return Status::Error("login in clear to a server that requires encryption");
  if (loginOnly_) {
    // Both sides drop the session here without a closing alert, as SQL Server's clients do.
    session_.reset();
    loginOnly_ = false;
  }
  return Status::Ok();
}

}  // namespace pelvane::standin::tds
