// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/SqliteErrorMapping.h"

namespace pelvane::standin {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// SQLite names objects as main.x or temp.x; SQL Server users wrote x.
std::string WithoutSchema(std::string name) {
  for (const char* schema : {"main.", "temp."})
    if (StartsWith(name, schema)) name = name.substr(std::string(schema).size());
  return name;
}

// The "X" of messages like near "X": syntax error.
std::string QuotedPart(const std::string& message) {
  size_t open = message.find('"');
  size_t close = message.rfind('"');
  if (open == std::string::npos || close <= open) return std::string();
  return message.substr(open + 1, close - open - 1);
}

}  // namespace

MappedError SyntaxErrorNear(const std::string& token) {
  MappedError error;
  error.number = 102;
  error.severity = 15;
  error.text = "Incorrect syntax near '" + token + "'.";
  error.syntax = true;
  return error;
}

bool IsSyntaxMessage(const std::string& message) {
  return message.find("syntax error") != std::string::npos || message == "incomplete input" ||
         StartsWith(message, "unrecognized token");
}

MappedError MapSqliteError(int code, const std::string& message, const std::string& lastToken) {
  if (message == "incomplete input") return SyntaxErrorNear(lastToken);
  if (IsSyntaxMessage(message)) {
    std::string token = QuotedPart(message);
    // An identifier SQLite complains about comes back in its quotes.
    if (token.size() >= 2 && token.front() == '"' && token.back() == '"')
      token = token.substr(1, token.size() - 2);
    return SyntaxErrorNear(token.empty() ? lastToken : token);
  }
  MappedError error;
  const std::string kNoTable = "no such table: ";
  const std::string kNoColumn = "no such column: ";
  if (StartsWith(message, kNoTable)) {
    error.number = 208;
    error.text = "Invalid object name '" + WithoutSchema(message.substr(kNoTable.size())) + "'.";
  } else if (StartsWith(message, kNoColumn)) {
    error.number = 207;
    error.text = "Invalid column name '" + message.substr(kNoColumn.size()) + "'.";
  } else if (message.size() > 15 &&
             message.compare(message.size() - 15, 15, " already exists") == 0 &&
             message.find(' ') < message.size() - 15) {
    std::string name =
        message.substr(message.find(' ') + 1, message.size() - 15 - message.find(' ') - 1);
    error.number = 2714;
    error.text = "There is already an object named '" + WithoutSchema(name) + "' in the database.";
  } else {
    error.number = 50000 + (code & 0xff);
    error.text = message;
  }
  return error;
}

}  // namespace pelvane::standin
