// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pelvane::standin {

/// What a batch or a procedure call produces, in order, as the protocol layer sends it on.
/// Text is UTF-8 here; the protocol layer converts it to UTF-16.

enum class ColumnType { kInteger, kFloat, kText };

struct Column {
  std::string name;
  ColumnType type = ColumnType::kText;
};

/// One value of a row; nullopt is NULL. Integers and floats travel as their SQLite values.
using Value = std::variant<std::monostate, int64_t, double, std::string>;

struct ResultSet {
  std::vector<Column> columns;
  std::vector<std::vector<Value>> rows;
};

/// PRINT and other informational messages (INFO token); number 0, class 0 for PRINT.
struct InfoMessage {
  int32_t number = 0;
  uint8_t state = 1;
  uint8_t severity = 0;
  std::string text;
  std::string procedure;  // empty outside a procedure
  int32_t line = 1;
};

/// A server error (ERROR token).
struct ErrorMessage {
  int32_t number = 0;
  uint8_t state = 1;
  uint8_t severity = 16;
  std::string text;
  std::string procedure;
  int32_t line = 1;
};

/// The end of one statement: a DONE token carrying its row count when it has one.
struct StatementDone {
  std::optional<int64_t> rowCount;  // rows returned or changed; none for DDL, SET, PRINT
  bool error = false;
};

/// A database change (USE), sent as an ENVCHANGE.
struct DatabaseChanged {
  std::string oldName;
  std::string newName;
};

using BatchEvent =
    std::variant<ResultSet, InfoMessage, ErrorMessage, StatementDone, DatabaseChanged>;

struct BatchOutcome {
  std::vector<BatchEvent> events;
};

/// The outcome of a remote procedure call such as sp_password.
struct RpcOutcome {
  std::vector<BatchEvent> events;
  int32_t returnStatus = 0;
};

}  // namespace pelvane::standin
