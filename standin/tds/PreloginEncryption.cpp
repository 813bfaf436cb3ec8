// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/PreloginEncryption.h"

namespace pelvane::standin::tds {
namespace {

constexpr uint8_t kOptionEncryption = 0x01;
constexpr uint8_t kOptionTerminator = 0xFF;
constexpr size_t kOptionEntrySize = 5;  // token, offset (2), length (2)

}  // namespace

uint8_t ClientEncryptionByte(const std::string& prelogin) {
  auto byte = [&](size_t at) { return static_cast<uint8_t>(prelogin[at]); };
  for (size_t at = 0; at < prelogin.size() && byte(at) != kOptionTerminator;
       at += kOptionEntrySize) {
    if (at + kOptionEntrySize > prelogin.size()) break;
    if (byte(at) != kOptionEncryption) continue;
    const size_t offset = static_cast<size_t>(byte(at + 1) << 8 | byte(at + 2));
    const size_t length = static_cast<size_t>(byte(at + 3) << 8 | byte(at + 4));
    if (length < 1 || offset >= prelogin.size()) break;
    // Newer clients may set high bits (client certificate) that change nothing here.
    return byte(offset) & 0x0F;
  }
  return kEncryptOff;
}

EncryptionAnswer NegotiateEncryption(EncryptionSetting setting, bool haveCertificate,
                                     uint8_t clientByte) {
  using O = EncryptionOutcome;
  if (!haveCertificate) return {kEncryptNotSup, O::kClear};
  const bool clientCannot = clientByte == kEncryptNotSup;
  const bool clientWantsAll = clientByte == kEncryptOn || clientByte == kEncryptReq;
  switch (setting) {
    case EncryptionSetting::kOff:
      if (clientCannot) return {kEncryptNotSup, O::kClear};
      return clientWantsAll ? EncryptionAnswer{kEncryptOn, O::kFull}
                            : EncryptionAnswer{kEncryptOff, O::kLoginOnly};
    case EncryptionSetting::kOn:
      if (clientCannot) return {kEncryptNotSup, O::kClear};
      return {kEncryptOn, O::kFull};
    case EncryptionSetting::kRequired:
      // SQL Server answers "required" to a client without encryption and then drops it.
      if (clientCannot) return {kEncryptReq, O::kRefused};
      return {clientWantsAll ? kEncryptOn : kEncryptReq, O::kFull};
  }
  return {kEncryptNotSup, O::kClear};
}

}  // namespace pelvane::standin::tds
