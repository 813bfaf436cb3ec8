// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/Packets.h"

#include <algorithm>

namespace pelvane::standin::tds {

std::string EncodePackets(uint8_t type, uint16_t spid, const std::string& payload,
                          size_t packetSize) {
  const size_t chunk = std::max(packetSize, kHeaderSize + 1) - kHeaderSize;
  std::string out;
  out.reserve(payload.size() + (payload.size() / chunk + 1) * kHeaderSize);
  size_t offset = 0;
  uint8_t packetId = 1;
  do {
    size_t size = std::min(chunk, payload.size() - offset);
    bool last = offset + size == payload.size();
    size_t length = size + kHeaderSize;
    const char header[kHeaderSize] = {
        static_cast<char>(type),        static_cast<char>(last ? kEndOfMessage : 0),
        static_cast<char>(length >> 8), static_cast<char>(length & 0xFF),
        static_cast<char>(spid >> 8),   static_cast<char>(spid & 0xFF),
        static_cast<char>(packetId++),  0};
    out.append(header, kHeaderSize);
    out.append(payload, offset, size);
    offset += size;
  } while (offset < payload.size());
  return out;
}

namespace {

// Checked at the header, so that a stray protocol is refused before its "length" is waited for.
bool IsKnownType(uint8_t type) {
  return type == kSqlBatch || type == kRpc || type == kAttention || type == kLogin7 ||
         type == kSspi || type == kPrelogin;
}

}  // namespace

Result<Message> ReadMessage(ByteStream& socket) {
  Message message;
  for (bool first = true;; first = false) {
    unsigned char header[kHeaderSize];
    char* raw = reinterpret_cast<char*>(header);
    // A client may leave between messages, but not within a header.
    if (!socket.ReadExact(raw, 1)) {
      if (first) return Status::Error("client closed the connection", kPeerClosed);
      return Status::Error("connection lost mid-message");
    }
    if (!socket.ReadExact(raw + 1, kHeaderSize - 1))
      return Status::Error("connection lost mid-header");
    size_t length = static_cast<size_t>(header[2] << 8 | header[3]);
    if (length < kHeaderSize) return Status::Error("packet length below its header size");
    if (!IsKnownType(header[0])) return Status::Error("unknown packet type");
    if (first) {
      message.type = header[0];
    } else if (header[0] != message.type) {
      return Status::Error("packet type changed within a message");
    }
    size_t size = length - kHeaderSize;
    if (message.payload.size() + size > kMaxMessageSize)
      return Status::Error("client message too large");
    size_t at = message.payload.size();
    message.payload.resize(at + size);
    if (size > 0 && !socket.ReadExact(message.payload.data() + at, size))
      return Status::Error("connection lost mid-packet");
    if (header[1] & kEndOfMessage) return message;
  }
}

Result<Message> ReadMessage(const Socket& socket) {
  SocketStream stream(socket);
  return ReadMessage(stream);
}

}  // namespace pelvane::standin::tds
