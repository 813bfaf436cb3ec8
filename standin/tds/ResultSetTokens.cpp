// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/ResultSetTokens.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "standin/tds/TextEncoding.h"
#include "standin/tds/Tokens.h"

namespace pelvane::standin::tds {
namespace {

enum class WireType { kInt8, kFloat8, kNVarChar, kNVarCharMax };

constexpr uint8_t kIntN = 0x26;
constexpr uint8_t kFltN = 0x6D;
constexpr uint8_t kNVarChar = 0xE7;
constexpr size_t kMaxNVarCharBytes = 8000;
constexpr uint16_t kNullableColumn = 0x0001;
constexpr uint64_t kPlpNull = std::numeric_limits<uint64_t>::max();

std::string FloatText(double v) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

std::string ValueText(const Value& value) {
  if (auto i = std::get_if<int64_t>(&value)) return std::to_string(*i);
  if (auto d = std::get_if<double>(&value)) return FloatText(*d);
  if (auto s = std::get_if<std::string>(&value)) return *s;
  return {};
}

std::vector<WireType> ChooseWireTypes(const ResultSet& resultSet, bool plpAllowed) {
  std::vector<WireType> types;
  for (size_t c = 0; c < resultSet.columns.size(); ++c) {
    ColumnType declared = resultSet.columns[c].type;
    bool anyText = false, anyFloat = false, longText = false;
    for (const auto& row : resultSet.rows) {
      if (c >= row.size()) continue;
      const Value& v = row[c];
      if (std::holds_alternative<std::string>(v)) anyText = true;
      if (std::holds_alternative<double>(v)) anyFloat = true;
    }
    WireType type = declared == ColumnType::kInteger ? WireType::kInt8
                    : declared == ColumnType::kFloat ? WireType::kFloat8
                                                     : WireType::kNVarChar;
    if (anyText) type = WireType::kNVarChar;
    if (type == WireType::kInt8 && anyFloat) type = WireType::kFloat8;
    if (type == WireType::kNVarChar && plpAllowed) {
      for (const auto& row : resultSet.rows)
        if (c < row.size() && Utf8ToUtf16Le(ValueText(row[c])).size() > kMaxNVarCharBytes)
          longText = true;
      if (longText) type = WireType::kNVarCharMax;
    }
    types.push_back(type);
  }
  return types;
}

void WriteColumn(ByteWriter& out, const Column& column, WireType type, bool wideUserType) {
  if (wideUserType)
    out.U32(0);
  else
    out.U16(0);
  out.U16(kNullableColumn);
  switch (type) {
    case WireType::kInt8:
      out.U8(kIntN);
      out.U8(8);
      break;
    case WireType::kFloat8:
      out.U8(kFltN);
      out.U8(8);
      break;
    case WireType::kNVarChar:
    case WireType::kNVarCharMax:
      out.U8(kNVarChar);
      out.U16(type == WireType::kNVarChar ? kMaxNVarCharBytes : 0xFFFF);
      out.Raw(std::string(kCollation, sizeof kCollation));
      break;
  }
  WriteShortText(out, column.name);
}

void WriteValue(ByteWriter& out, const Value& value, WireType type) {
  bool isNull = std::holds_alternative<std::monostate>(value);
  switch (type) {
    case WireType::kInt8:
      if (isNull) return out.U8(0);
      out.U8(8);
      // Only integers reach an integer column (see ChooseWireTypes).
      out.U64(static_cast<uint64_t>(std::get<int64_t>(value)));
      return;
    case WireType::kFloat8: {
      if (isNull) return out.U8(0);
      double d = std::holds_alternative<double>(value)
                     ? std::get<double>(value)
                     : static_cast<double>(std::get<int64_t>(value));
      uint64_t bits = 0;
      static_assert(sizeof bits == sizeof d, "double is 64 bits");
      std::memcpy(&bits, &d, sizeof bits);
      out.U8(8);
      out.U64(bits);
      return;
    }
    case WireType::kNVarChar: {
      if (isNull) return out.U16(0xFFFF);
      std::string text = Utf8ToUtf16Le(ValueText(value));
      if (text.size() > kMaxNVarCharBytes) {
        text.resize(kMaxNVarCharBytes);
        auto last = static_cast<unsigned char>(text.back());
        if (last >= 0xD8 && last <= 0xDB) text.resize(text.size() - 2);
      }
      out.U16(static_cast<uint16_t>(text.size()));
      out.Raw(text);
      return;
    }
    case WireType::kNVarCharMax: {
      if (isNull) return out.U64(kPlpNull);
      std::string text = Utf8ToUtf16Le(ValueText(value));
      out.U64(text.size());
      if (!text.empty()) {
        out.U32(static_cast<uint32_t>(text.size()));
        out.Raw(text);
      }
      out.U32(0);  // end of chunks
      return;
    }
  }
}

}  // namespace

void WriteResultSet(ByteWriter& out, const ResultSet& resultSet, uint32_t tdsVersion) {
  if (resultSet.columns.empty()) return;
  bool wide = IsTds72OrLater(tdsVersion);
  std::vector<WireType> types = ChooseWireTypes(resultSet, wide);
  out.U8(kColMetadataToken);
  out.U16(static_cast<uint16_t>(resultSet.columns.size()));
  for (size_t c = 0; c < resultSet.columns.size(); ++c)
    WriteColumn(out, resultSet.columns[c], types[c], wide);
  for (const auto& row : resultSet.rows) {
    out.U8(kRowToken);
    for (size_t c = 0; c < types.size(); ++c)
      WriteValue(out, c < row.size() ? row[c] : Value{}, types[c]);
  }
}

}  // namespace pelvane::standin::tds
