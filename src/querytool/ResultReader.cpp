// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/ResultReader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pelvane::querytool {
namespace {

bool IsNumeric(int type) {
  switch (type) {
    case SYBINT1:
    case SYBINT2:
    case SYBINT4:
    case SYBINT8:
    case SYBINTN:
    case SYBFLT8:
    case SYBREAL:
    case SYBFLTN:
    case SYBMONEY:
    case SYBMONEY4:
    case SYBNUMERIC:
    case SYBDECIMAL:
      return true;
    default:
      return false;
  }
}

bool IsCharacter(int type) {
  return type == SYBCHAR || type == SYBVARCHAR || type == SYBTEXT || type == SYBNTEXT ||
         type == SYBNVARCHAR;
}

// Shortest text that reads back as the same double, as people expect 0.1 to print.
std::string FloatText(double value) {
  char buffer[40];
  for (int precision : {15, 17}) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    if (precision == 17 || std::strtod(buffer, nullptr) == value) break;
  }
  return buffer;
}

std::optional<std::string> ConvertedText(DBPROCESS* process, int type, BYTE* data, DBINT length) {
  if (IsCharacter(type))
    return std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
  if (type == SYBFLT8) {
    DBFLT8 value = 0;
    std::memcpy(&value, data, sizeof value);
    return FloatText(value);
  }
  if (type == SYBREAL) {
    DBREAL value = 0;
    std::memcpy(&value, data, sizeof value);
    return FloatText(static_cast<double>(value));
  }
  // Binary data in hex takes two characters a byte, plus room for the rest.
  std::vector<BYTE> buffer(static_cast<size_t>(std::max<DBINT>(length, 0)) * 2 + 64);
  DBINT written = dbconvert(process, type, data, length, SYBCHAR, buffer.data(),
                            static_cast<DBINT>(buffer.size()));
  if (written < 0) return std::string("(value of type ") + dbprtype(type) + " not shown)";
  return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(written));
}

}  // namespace

size_t TypeDisplayWidth(int type, DBINT byteLength, int precision) {
  size_t width = 0;
  switch (type) {
    case SYBBIT:
      width = 1;
      break;
    case SYBINT1:
      width = 3;
      break;
    case SYBINT2:
      width = 6;
      break;
    case SYBINT4:
      width = 11;
      break;
    case SYBINT8:
      width = 20;
      break;
    case SYBFLT8:
      width = 24;
      break;
    case SYBREAL:
      width = 14;
      break;
    case SYBMONEY:
      width = 21;
      break;
    case SYBMONEY4:
      width = 12;
      break;
    case SYBNUMERIC:
    case SYBDECIMAL:
      width = static_cast<size_t>(precision) + 2;
      break;
    case SYBDATETIME:
    case SYBDATETIME4:
      width = 26;
      break;
    case SYBBINARY:
    case SYBVARBINARY:
    case SYBIMAGE:
      width = static_cast<size_t>(std::max<DBINT>(byteLength, 0)) * 2 + 2;
      break;
    default:
      width = static_cast<size_t>(std::max<DBINT>(byteLength, 1));
      break;
  }
  return std::min(width, kMaxColumnWidth);
}

std::vector<ColumnLayout> ResultColumns(DBPROCESS* process) {
  std::vector<ColumnLayout> columns;
  const int count = dbnumcols(process);
  for (int c = 1; c <= count; ++c) {
    ColumnLayout column;
    const char* name = dbcolname(process, c);
    column.name = name != nullptr ? name : "";
    const int type = dbcoltype(process, c);
    const DBTYPEINFO* info = dbcoltypeinfo(process, c);
    column.width = std::max(
        DisplayLength(column.name),
        TypeDisplayWidth(type, dbcollen(process, c), info != nullptr ? info->precision : 18));
    column.alignRight = IsNumeric(type);
    columns.push_back(std::move(column));
  }
  return columns;
}

std::vector<std::optional<std::string>> RowValues(DBPROCESS* process, int columnCount) {
  std::vector<std::optional<std::string>> values;
  values.reserve(static_cast<size_t>(columnCount));
  for (int c = 1; c <= columnCount; ++c) {
    BYTE* data = dbdata(process, c);
    const DBINT length = dbdatlen(process, c);
    if (data == nullptr && length == 0) {
      values.emplace_back(std::nullopt);
      continue;
    }
    values.push_back(ConvertedText(process, dbcoltype(process, c), data, length));
  }
  return values;
}

}  // namespace pelvane::querytool
