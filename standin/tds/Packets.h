// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/Status.h"
#include "standin/tds/ByteStream.h"
#include "standin/tds/Socket.h"

namespace pelvane::standin::tds {

/// Message types on the wire.
enum PacketType : uint8_t {
  kSqlBatch = 0x01,
  kRpc = 0x03,
  kReply = 0x04,
  kAttention = 0x06,
  kLogin7 = 0x10,
  kSspi = 0x11,  // a Windows login's NTLM answer
  kPrelogin = 0x12,
};

constexpr size_t kHeaderSize = 8;
constexpr uint8_t kEndOfMessage = 0x01;
constexpr size_t kDefaultPacketSize = 4096;
/// A client message larger than this is refused rather than buffered.
constexpr size_t kMaxMessageSize = 64 * 1024 * 1024;

/// Status number of a client that left between messages, which is no fault.
constexpr int kPeerClosed = 1;

/// One client message, its packets joined.
struct Message {
  uint8_t type = 0;
  std::string payload;
};

/// Splits a reply into packets of at most packetSize bytes, the last one marked end of message.
std::string EncodePackets(uint8_t type, uint16_t spid, const std::string& payload,
                          size_t packetSize);

/// Reads packets until one is marked end of message. An error means the stream is unusable:
/// the peer closed it, or sent a header that cannot be trusted.
Result<Message> ReadMessage(ByteStream& stream);
/// The same, from the socket in clear.
Result<Message> ReadMessage(const Socket& socket);

}  // namespace pelvane::standin::tds
