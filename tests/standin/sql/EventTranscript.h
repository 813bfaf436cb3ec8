// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "standin/sql/BatchEvents.h"

namespace pelvane::standin::testing {

inline std::string ValueText(const Value& value) {
  if (const auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return "'" + *text + "'";
  if (const auto* real = std::get_if<double>(&value)) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", *real);
    return buffer;
  }
  return "NULL";
}

template <class Message>
std::string MessageLine(const char* kind, const Message& m) {
  return std::string(kind) + " " + std::to_string(m.number) + "/" + std::to_string(m.severity) +
         "/" + std::to_string(m.state) + " L" + std::to_string(m.line) +
         (m.procedure.empty() ? "" : " " + m.procedure) + ": " + m.text;
}

/// Events written as short lines, so that a test can compare a whole batch at once:
///   "cols id:int name:text" then "row 1|'alpha'", "info 0/0 L1: text",
///   "error 208/16/1 L2 proc: text", "done 3" / "done" / "done error", "use master>pubs".
inline std::vector<std::string> Transcript(const std::vector<BatchEvent>& events) {
  static const char* const kTypes[] = {"int", "float", "text"};
  std::vector<std::string> lines;
  for (const BatchEvent& event : events) {
    if (const auto* set = std::get_if<ResultSet>(&event)) {
      std::string header = "cols";
      for (const Column& column : set->columns)
        header += " " + column.name + ":" + kTypes[static_cast<int>(column.type)];
      lines.push_back(header);
      for (const auto& row : set->rows) {
        std::string line = "row ";
        for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + ValueText(row[i]);
        lines.push_back(line);
      }
    } else if (const auto* info = std::get_if<InfoMessage>(&event)) {
      lines.push_back(MessageLine("info", *info));
    } else if (const auto* error = std::get_if<ErrorMessage>(&event)) {
      lines.push_back(MessageLine("error", *error));
    } else if (const auto* done = std::get_if<StatementDone>(&event)) {
      lines.push_back(done->error      ? "done error"
                      : done->rowCount ? "done " + std::to_string(*done->rowCount)
                                       : "done");
    } else if (const auto* changed = std::get_if<DatabaseChanged>(&event)) {
      lines.push_back("use " + changed->oldName + ">" + changed->newName);
    }
  }
  return lines;
}

}  // namespace pelvane::standin::testing
