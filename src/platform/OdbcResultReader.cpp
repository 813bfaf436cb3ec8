// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcResultReader.h"

#include <sqlext.h>

#include <algorithm>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string>

namespace pelvane::platform {

namespace {

constexpr SQLLEN kChunk = 4096;

bool DescribeColumn(SQLHANDLE statement, SQLUSMALLINT column, std::string& name,
                    SQLSMALLINT& type) {
  SQLSMALLINT length = 0;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
  SQLSMALLINT nullable = 0;
  std::string buffer(256, '\0');
  SQLRETURN rc = SQLDescribeCol(statement, column, reinterpret_cast<SQLCHAR*>(buffer.data()),
                                static_cast<SQLSMALLINT>(buffer.size()), &length, &type, &size,
                                &digits, &nullable);
  if (SQL_SUCCEEDED(rc) && length >= static_cast<SQLSMALLINT>(buffer.size())) {
    // Buffer lengths are 16-bit: a longer name is kept cut rather than lost.
    buffer.assign(std::min<size_t>(static_cast<size_t>(length) + 1, 32767), '\0');
    rc = SQLDescribeCol(statement, column, reinterpret_cast<SQLCHAR*>(buffer.data()),
                        static_cast<SQLSMALLINT>(buffer.size()), &length, &type, &size, &digits,
                        &nullable);
  }
  if (!SQL_SUCCEEDED(rc)) return false;
  buffer.resize(std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), buffer.size()));
  name = std::move(buffer);
  return true;
}

// The driver writes floats with 17 digits (0.1 as 0.10000000000000001); people expect the
// shortest form that the type's precision supports, with "." whatever the process locale.
bool FloatText(SQLHANDLE statement, SQLUSMALLINT column, int digits, std::string& value) {
  double number = 0;
  SQLLEN indicator = 0;
  SQLRETURN rc = SQLGetData(statement, column, SQL_C_DOUBLE, &number, sizeof number, &indicator);
  if (!SQL_SUCCEEDED(rc)) return false;
  value.clear();
  if (indicator == SQL_NULL_DATA) return true;
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << std::setprecision(digits) << number;
  value = text.str();
  return true;
}

// Long values arrive in pieces: each call fills the buffer and says how much is left.
bool ColumnText(SQLHANDLE statement, SQLUSMALLINT column, std::string& value) {
  value.clear();
  std::string chunk(static_cast<size_t>(kChunk), '\0');
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, chunk.data(), kChunk, &indicator);
    if (rc == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(rc)) return false;
    if (indicator == SQL_NULL_DATA) return true;
    bool whole = indicator != SQL_NO_TOTAL && indicator < kChunk;
    size_t received = whole ? static_cast<size_t>(indicator) : static_cast<size_t>(kChunk - 1);
    value.append(chunk.data(), received);
    if (whole) return true;
  }
}

}  // namespace

bool ReadResultTable(const OdbcConnection& connection, SQLHANDLE statement,
                     engine::QueryResult& result, std::vector<engine::SqlError>& errors) {
  result = engine::QueryResult{};
  ResultHandler keep{[&result](const std::vector<std::string>& names) {
                       result.hasResultSet = true;
                       result.columns = names;
                     },
                     [&result](std::vector<std::string>&& values) {
                       result.rows.push_back(std::move(values));
                       return true;
                     }};
  return ReadResultTable(connection, statement, keep, errors);
}

bool ReadResultTable(const OdbcConnection& connection, SQLHANDLE statement,
                     const ResultHandler& handler, std::vector<engine::SqlError>& errors) {
  auto fail = [&]() {
    errors = connection.Diagnostics(SQL_HANDLE_STMT, statement);
    if (errors.empty())
      errors.push_back(engine::SqlError{"", 0, "Reading the result failed.", "ODBC"});
    return false;
  };

  SQLSMALLINT columns = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(statement, &columns))) return fail();
  if (columns <= 0) return true;
  std::vector<std::string> names;
  std::vector<SQLSMALLINT> types;
  for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(columns); ++column) {
    std::string name;
    SQLSMALLINT type = 0;
    if (!DescribeColumn(statement, column, name, type)) return fail();
    names.push_back(std::move(name));
    types.push_back(type);
  }
  handler.columns(names);
  for (;;) {
    SQLRETURN rc = SQLFetch(statement);
    if (rc == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(rc)) return fail();
    std::vector<std::string> row(names.size());
    for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(columns); ++column) {
      std::string& value = row[column - 1];
      SQLSMALLINT type = types[column - 1];
      bool read = type == SQL_REAL ? FloatText(statement, column, 7, value)
                  : type == SQL_FLOAT || type == SQL_DOUBLE
                      ? FloatText(statement, column, 15, value)
                      : ColumnText(statement, column, value);
      if (!read) return fail();
    }
    if (!handler.row(std::move(row))) return true;
  }
}

}  // namespace pelvane::platform
