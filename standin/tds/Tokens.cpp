// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/Tokens.h"

#include <algorithm>

#include "standin/tds/TextEncoding.h"

namespace pelvane::standin::tds {
namespace {

// Cuts UTF-16LE text to at most `units`, never between the halves of a surrogate pair.
std::string CutUtf16(std::string utf16, size_t units) {
  if (utf16.size() <= units * 2) return utf16;
  utf16.resize(units * 2);
  auto last = static_cast<unsigned char>(utf16[utf16.size() - 1]);
  if (last >= 0xD8 && last <= 0xDB) utf16.resize(utf16.size() - 2);
  return utf16;
}

// SQL Server messages stop at 2047 characters; staying below keeps every length field valid.
constexpr size_t kMaxMessageUnits = 2047;

}  // namespace

const char kCollation[5] = {0x09, 0x04, static_cast<char>(0xD0), 0x00, 0x34};

void WriteShortText(ByteWriter& out, const std::string& utf8) {
  std::string text = CutUtf16(Utf8ToUtf16Le(utf8), 255);
  out.U8(static_cast<uint8_t>(Utf16Units(text)));
  out.Raw(text);
}

void WriteMessageToken(ByteWriter& out, uint8_t token, const ServerMessage& message,
                       uint32_t tdsVersion) {
  std::string text = CutUtf16(Utf8ToUtf16Le(message.text), kMaxMessageUnits);
  std::string server = CutUtf16(Utf8ToUtf16Le(message.serverName), 255);
  std::string procedure = CutUtf16(Utf8ToUtf16Le(message.procedure), 255);
  bool wideLine = IsTds72OrLater(tdsVersion);
  // FreeTDS works out the width of the line number from this length, so it must be exact.
  size_t length =
      4 + 1 + 1 + 2 + text.size() + 1 + server.size() + 1 + procedure.size() + (wideLine ? 4 : 2);
  out.U8(token);
  out.U16(static_cast<uint16_t>(length));
  out.U32(static_cast<uint32_t>(message.number));
  out.U8(message.state);
  out.U8(message.severity);
  out.U16(static_cast<uint16_t>(Utf16Units(text)));
  out.Raw(text);
  out.U8(static_cast<uint8_t>(Utf16Units(server)));
  out.Raw(server);
  out.U8(static_cast<uint8_t>(Utf16Units(procedure)));
  out.Raw(procedure);
  if (wideLine)
    out.U32(static_cast<uint32_t>(message.line));
  else
    out.U16(static_cast<uint16_t>(std::clamp(message.line, 0, 0xFFFF)));
}

void WriteEnvChange(ByteWriter& out, uint8_t type, const std::string& newValue,
                    const std::string& oldValue) {
  out.U8(kEnvChangeToken);
  size_t lengthAt = out.size();
  out.U16(0);
  out.U8(type);
  WriteShortText(out, newValue);
  WriteShortText(out, oldValue);
  out.PatchU16(lengthAt, static_cast<uint16_t>(out.size() - lengthAt - 2));
}

void WriteCollationChange(ByteWriter& out) {
  out.U8(kEnvChangeToken);
  out.U16(1 + 1 + sizeof kCollation + 1);
  out.U8(kEnvCollation);
  out.U8(sizeof kCollation);
  out.Raw(std::string(kCollation, sizeof kCollation));
  out.U8(0);
}

void WriteLoginAck(ByteWriter& out, uint32_t tdsVersion, const std::string& programName) {
  std::string name = CutUtf16(Utf8ToUtf16Le(programName), 255);
  out.U8(kLoginAckToken);
  out.U16(static_cast<uint16_t>(1 + 4 + 1 + name.size() + 4));
  out.U8(1);  // interface: T-SQL
  out.U32Be(tdsVersion);
  out.U8(static_cast<uint8_t>(Utf16Units(name)));
  out.Raw(name);
  out.U32Be(0x100007D0);  // 16.0.2000, the version PRELOGIN announced
}

size_t WriteDone(ByteWriter& out, uint8_t token, uint16_t status, uint64_t rowCount,
                 uint32_t tdsVersion) {
  out.U8(token);
  size_t statusAt = out.size();
  out.U16(status);
  out.U16(0);  // current command: clients here do not look at it
  if (IsTds72OrLater(tdsVersion))
    out.U64(rowCount);
  else
    out.U32(static_cast<uint32_t>(rowCount));
  return statusAt;
}

void WriteReturnStatus(ByteWriter& out, int32_t value) {
  out.U8(kReturnStatusToken);
  out.U32(static_cast<uint32_t>(value));
}

}  // namespace pelvane::standin::tds

namespace pelvane::standin::tds {

void WriteIntReturnValue(ByteWriter& out, uint16_t ordinal, const std::string& name, int32_t value,
                         uint32_t tdsVersion) {
  out.U8(kReturnValueToken);
  out.U16(ordinal);
  WriteShortText(out, name);
  out.U8(0x01);  // an output parameter
  if (IsTds72OrLater(tdsVersion))
    out.U32(0);
  else
    out.U16(0);
  out.U16(0x0001);  // nullable
  out.U8(0x26);     // INTN, 4 bytes
  out.U8(4);
  out.U8(4);
  out.U32(static_cast<uint32_t>(value));
}

}  // namespace pelvane::standin::tds
