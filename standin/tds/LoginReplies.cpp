// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/LoginReplies.h"

#include <algorithm>

#include "standin/tds/ByteWriter.h"
#include "standin/tds/Packets.h"
#include "standin/tds/Tokens.h"

namespace pelvane::standin::tds {
namespace {

constexpr uint32_t kTds71 = 0x71000001;
constexpr uint32_t kTds74 = 0x74000004;
constexpr uint32_t kMinPacketSize = 512;
constexpr uint32_t kMaxPacketSize = 32767;

}  // namespace

std::string PreloginReply(uint8_t encryption) {
  static constexpr unsigned char kBytes[] = {
      0x00, 0x00, 0x0B, 0x00, 0x06,        // VERSION at 11, 6 bytes
      0x01, 0x00, 0x11, 0x00, 0x01,        // ENCRYPTION at 17, 1 byte
      0xFF,                                // end of options
      0x10, 0x00, 0x07, 0xD0, 0x00, 0x00,  // 16.0.2000, sub-build 0
      0x02};                               // ENCRYPTION: set below
  std::string reply(reinterpret_cast<const char*>(kBytes), sizeof kBytes);
  reply.back() = static_cast<char>(encryption);
  return reply;
}

uint32_t NegotiateTdsVersion(uint32_t requested) {
  return std::clamp(requested, kTds71, kTds74);
}

uint32_t NegotiatePacketSize(uint32_t requested) {
  if (requested < kMinPacketSize || requested > kMaxPacketSize) return kDefaultPacketSize;
  return requested;
}

std::string LoginAcceptedReply(uint32_t tdsVersion, const std::string& database,
                               uint32_t packetSize) {
  ByteWriter out;
  WriteLoginAck(out, tdsVersion, "Microsoft SQL Server");
  WriteEnvChange(out, kEnvDatabase, database, "master");
  WriteCollationChange(out);
  std::string size = std::to_string(packetSize);
  WriteEnvChange(out, kEnvPacketSize, size, size);
  WriteDone(out, kDoneToken, 0, 0, tdsVersion);
  return out.Take();
}

std::string LoginRefusedReply(LoginResult result, uint32_t tdsVersion, const std::string& login,
                              const std::string& database, const std::string& serverName) {
  ByteWriter out;
  ServerMessage message;
  message.serverName = serverName;
  if (result == LoginResult::kUnknownDatabase) {
    message.number = 4060;
    message.severity = 11;
    message.text =
        "Cannot open database \"" + database + "\" requested by the login. The login failed.";
    WriteMessageToken(out, kErrorToken, message, tdsVersion);
  }
  message.severity = 14;
  message.text = "Login failed for user '" + login + "'.";
  if (result == LoginResult::kPasswordExpired) {
    message.number = 18487;
    message.text += " Reason: The password of the account has expired.";
  } else if (result == LoginResult::kPasswordMustChange) {
    message.number = 18488;
    message.text += " Reason: The password of the account must be changed.";
  } else {
    message.number = 18456;
  }
  WriteMessageToken(out, kErrorToken, message, tdsVersion);
  WriteDone(out, kDoneToken, kDoneError, 0, tdsVersion);
  return out.Take();
}

}  // namespace pelvane::standin::tds
