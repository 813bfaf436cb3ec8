// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace pelvane::standin::tds {

/// The ENCRYPTION byte of a PRELOGIN message.
enum PreloginEncryptionByte : uint8_t {
  kEncryptOff = 0x00,     // only the login packet travels encrypted
  kEncryptOn = 0x01,      // everything after the handshake is encrypted
  kEncryptNotSup = 0x02,  // no TLS at all
  kEncryptReq = 0x03,     // the server insists on full encryption
};

/// What the stand-in offers: "off" encrypts the login only unless the client asks for more,
/// "on" encrypts everything for any client that can, "required" refuses a client that cannot.
enum class EncryptionSetting { kOff, kOn, kRequired };

/// How a connection goes on after the PRELOGIN exchange.
enum class EncryptionOutcome {
  kClear,      // no TLS
  kLoginOnly,  // TLS for the LOGIN7 message, then clear again
  kFull,       // TLS from the handshake to the end
  kRefused,    // the reply goes out, then the connection closes
};

struct EncryptionAnswer {
  uint8_t replyByte = kEncryptNotSup;
  EncryptionOutcome outcome = EncryptionOutcome::kClear;
};

/// The ENCRYPTION byte of a client's PRELOGIN payload; kEncryptOff (the protocol's default)
/// when the option is missing or the payload cannot be read.
uint8_t ClientEncryptionByte(const std::string& prelogin);

/// SQL Server's answer to a client's ENCRYPTION byte. Without a certificate the server answers
/// "not supported" whatever it was told.
EncryptionAnswer NegotiateEncryption(EncryptionSetting setting, bool haveCertificate,
                                     uint8_t clientByte);

}  // namespace pelvane::standin::tds
