// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "standin/tds/ByteWriter.h"

namespace pelvane::standin::tds {

enum TokenType : uint8_t {
  kReturnStatusToken = 0x79,
  kColMetadataToken = 0x81,
  kErrorToken = 0xAA,
  kInfoToken = 0xAB,
  kLoginAckToken = 0xAD,
  kReturnValueToken = 0xAC,
  kRowToken = 0xD1,
  kEnvChangeToken = 0xE3,
  kDoneToken = 0xFD,
  kDoneProcToken = 0xFE,
  kDoneInProcToken = 0xFF,
};

enum DoneStatus : uint16_t {
  kDoneMore = 0x0001,
  kDoneError = 0x0002,
  kDoneCount = 0x0010,
  kDoneAttention = 0x0020,
};

enum EnvChangeType : uint8_t {
  kEnvDatabase = 1,
  kEnvPacketSize = 4,
  kEnvCollation = 7,
};

/// The collation announced for every text: Latin1_General, code page 1252, case-insensitive.
extern const char kCollation[5];

/// TDS 7.2 widened row counts, user types and line numbers; everything older uses the narrow
/// forms. Versions are as LOGIN7 carries them (0x74000004 for 7.4).
inline bool IsTds72OrLater(uint32_t tdsVersion) {
  return (tdsVersion >> 24) >= 0x72;
}

/// The body of an ERROR or INFO token.
struct ServerMessage {
  int32_t number = 0;
  uint8_t state = 1;
  uint8_t severity = 0;
  std::string text;  // UTF-8
  std::string serverName;
  std::string procedure;
  int32_t line = 1;
};

void WriteMessageToken(ByteWriter& out, uint8_t token, const ServerMessage& message,
                       uint32_t tdsVersion);
void WriteEnvChange(ByteWriter& out, uint8_t type, const std::string& newValue,
                    const std::string& oldValue);
void WriteCollationChange(ByteWriter& out);
/// tdsVersion as LOGIN7 carries it; LOGINACK repeats it big-endian.
void WriteLoginAck(ByteWriter& out, uint32_t tdsVersion, const std::string& programName);
/// Returns the offset of the status field so that the more bit can be set afterwards.
size_t WriteDone(ByteWriter& out, uint8_t token, uint16_t status, uint64_t rowCount,
                 uint32_t tdsVersion);
void WriteReturnStatus(ByteWriter& out, int32_t value);
/// RETURNVALUE of an integer output parameter.
void WriteIntReturnValue(ByteWriter& out, uint16_t ordinal, const std::string& name, int32_t value,
                         uint32_t tdsVersion);

/// B_VARCHAR: a count of UTF-16 units in one byte, then the text (cut at 255 units).
void WriteShortText(ByteWriter& out, const std::string& utf8);

}  // namespace pelvane::standin::tds
