// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/Requests.h"

#include "standin/tds/ByteReader.h"
#include "standin/tds/ParameterValue.h"
#include "standin/tds/TextEncoding.h"
#include "standin/tds/Tokens.h"

namespace pelvane::standin::tds {
namespace {

constexpr uint16_t kProcedureById = 0xFFFF;
constexpr uint8_t kBatchFlag72 = 0x80;
constexpr uint8_t kBatchFlagOld = 0xFF;
constexpr uint8_t kNoExecFlag = 0xFE;
constexpr uint8_t kOutputParameter = 0x01;

// From 7.2 on every request starts with ALL_HEADERS; only its length matters here.
bool SkipAllHeaders(ByteReader& in, uint32_t tdsVersion) {
  if (!IsTds72OrLater(tdsVersion)) return true;
  uint32_t total = in.U32();
  if (!in.ok() || total < 4) return false;
  in.Skip(total - 4);
  return in.ok();
}

}  // namespace

std::string WellKnownProcedureName(uint16_t id) {
  static const char* const kNames[] = {"",
                                       "sp_cursor",
                                       "sp_cursoropen",
                                       "sp_cursorprepare",
                                       "sp_cursorexecute",
                                       "sp_cursorprepexec",
                                       "sp_cursorunprepare",
                                       "sp_cursorfetch",
                                       "sp_cursoroption",
                                       "sp_cursorclose",
                                       "sp_executesql",
                                       "sp_prepare",
                                       "sp_execute",
                                       "sp_prepexec",
                                       "sp_prepexecrpc",
                                       "sp_unprepare"};
  if (id > 0 && id < sizeof kNames / sizeof kNames[0]) return kNames[id];
  return "#" + std::to_string(id);
}

Result<std::string> ParseSqlBatch(const std::string& payload, uint32_t tdsVersion) {
  ByteReader in(payload);
  if (!SkipAllHeaders(in, tdsVersion)) return Status::Error("SQL batch headers malformed");
  if (in.remaining() % 2 != 0) return Status::Error("SQL batch text is not UTF-16");
  return Utf16LeToUtf8(in.Bytes(in.remaining()));
}

Result<std::vector<RpcCall>> ParseRpc(const std::string& payload, uint32_t tdsVersion) {
  ByteReader in(payload);
  if (!SkipAllHeaders(in, tdsVersion)) return Status::Error("RPC headers malformed");
  std::vector<RpcCall> calls;
  const Status cutShort = Status::Error("RPC request cut short");
  for (;;) {
    RpcCall call;
    uint16_t nameLength = in.U16();
    if (nameLength == kProcedureById)
      call.procedureName = WellKnownProcedureName(in.U16());
    else
      call.procedureName = Utf16LeToUtf8(in.Bytes(size_t{nameLength} * 2));
    in.U16();  // option flags
    if (!in.ok()) return cutShort;

    bool more = false;
    while (!in.atEnd()) {
      // A lone flag byte ends this call and starts the next.
      ByteReader peek = in;
      uint8_t next = peek.U8();
      if (next == kBatchFlag72 || next == kBatchFlagOld || next == kNoExecFlag) {
        in.U8();
        more = true;
        break;
      }
      RpcParameter parameter;
      uint8_t paramNameLength = in.U8();
      parameter.name = Utf16LeToUtf8(in.Bytes(size_t{paramNameLength} * 2));
      parameter.output = (in.U8() & kOutputParameter) != 0;
      if (!in.ok()) return cutShort;
      auto value = ReadParameterValue(in);
      if (!value) {
        return Status::Error("parameter " + std::to_string(call.parameters.size() + 1) + ": " +
                             value.status().message());
      }
      parameter.value = value->text;
      parameter.quoted = value->quoted;
      call.parameters.push_back(std::move(parameter));
    }
    calls.push_back(std::move(call));
    if (!more) return calls;
  }
}

}  // namespace pelvane::standin::tds
