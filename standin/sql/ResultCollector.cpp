// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/ResultCollector.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "standin/sql/TsqlTranslator.h"

namespace pelvane::standin {

namespace {

Value ReadValue(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return static_cast<int64_t>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      return sqlite3_column_double(statement, column);
    case SQLITE_NULL:
      return std::monostate();
    default: {
      const void* bytes = sqlite3_column_blob(statement, column);
      int size = sqlite3_column_bytes(statement, column);
      return bytes ? std::string(static_cast<const char*>(bytes), static_cast<size_t>(size))
                   : std::string();
    }
  }
}

// The declared type decides what a column holds before any value widens it.
std::optional<ColumnType> DeclaredType(sqlite3_stmt* statement, int column) {
  const char* declared = sqlite3_column_decltype(statement, column);
  if (!declared) return std::nullopt;
  std::string type = declared;
  for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto has = [&type](const char* part) { return type.find(part) != std::string::npos; };
  if (has("INT") || has("BIT")) return ColumnType::kInteger;
  if (has("REAL") || has("FLOA") || has("DOUB") || has("MONEY") || has("DEC") || has("NUM"))
    return ColumnType::kFloat;
  return ColumnType::kText;
}

void Widen(ColumnType& type, const Value& value, bool& seen) {
  ColumnType valueType = std::holds_alternative<int64_t>(value)  ? ColumnType::kInteger
                         : std::holds_alternative<double>(value) ? ColumnType::kFloat
                                                                 : ColumnType::kText;
  if (std::holds_alternative<std::monostate>(value)) return;
  if (!seen || static_cast<int>(valueType) > static_cast<int>(type)) type = valueType;
  seen = true;
}

Value Convert(const Value& value, ColumnType type) {
  if (std::holds_alternative<std::monostate>(value)) return value;
  if (type == ColumnType::kFloat && std::holds_alternative<int64_t>(value))
    return static_cast<double>(std::get<int64_t>(value));
  if (type == ColumnType::kText && !std::holds_alternative<std::string>(value))
    return ValueText(value);
  return value;
}

}  // namespace

std::string ValueText(const Value& value) {
  if (std::holds_alternative<int64_t>(value)) return std::to_string(std::get<int64_t>(value));
  if (std::holds_alternative<double>(value)) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", std::get<double>(value));
    return buffer;
  }
  if (std::holds_alternative<std::string>(value)) return std::get<std::string>(value);
  return std::string();
}

StepResult StepAndCollect(sqlite3* db, sqlite3_stmt* statement) {
  StepResult result;
  int columns = sqlite3_column_count(statement);
  result.hasColumns = columns > 0;
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    std::vector<Value> row;
    row.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) row.push_back(ReadValue(statement, c));
    result.resultSet.rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) {
    result.ok = false;
    result.code = sqlite3_extended_errcode(db);
    result.message = sqlite3_errmsg(db);
    return result;
  }
  result.changes = sqlite3_changes(db);
  for (int c = 0; c < columns; ++c) {
    Column column;
    const char* name = sqlite3_column_name(statement, c);
    column.name = name && std::string(name) != kUnnamedColumn ? name : "";
    std::optional<ColumnType> declared = DeclaredType(statement, c);
    column.type = declared.value_or(ColumnType::kText);
    bool seen = declared.has_value();
    for (const std::vector<Value>& row : result.resultSet.rows)
      Widen(column.type, row[static_cast<size_t>(c)], seen);
    for (std::vector<Value>& row : result.resultSet.rows)
      row[static_cast<size_t>(c)] = Convert(row[static_cast<size_t>(c)], column.type);
    result.resultSet.columns.push_back(std::move(column));
  }
  return result;
}

}  // namespace pelvane::standin
