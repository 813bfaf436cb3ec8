// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/EventTranscript.h"

#include <cstdio>

namespace pelvane::standin::testing {

namespace {

std::string TypeName(ColumnType type) {
  switch (type) {
    case ColumnType::kInteger:
      return "int";
    case ColumnType::kFloat:
      return "float";
    case ColumnType::kText:
      return "text";
  }
  return "?";
}

std::string ValueLine(const Value& value) {
  if (std::holds_alternative<int64_t>(value)) return std::to_string(std::get<int64_t>(value));
  if (std::holds_alternative<double>(value)) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", std::get<double>(value));
    return buffer;
  }
  if (std::holds_alternative<std::string>(value)) return "'" + std::get<std::string>(value) + "'";
  return "NULL";
}

std::string Place(int32_t line, const std::string& procedure) {
  return "L" + std::to_string(line) + (procedure.empty() ? "" : " " + procedure);
}

}  // namespace

std::vector<std::string> Transcript(const std::vector<BatchEvent>& events) {
  std::vector<std::string> lines;
  for (const BatchEvent& event : events) {
    if (const auto* set = std::get_if<ResultSet>(&event)) {
      std::string header = "cols";
      for (const Column& column : set->columns)
        header += " " + column.name + ":" + TypeName(column.type);
      lines.push_back(header);
      for (const auto& row : set->rows) {
        std::string line = "row ";
        for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + ValueLine(row[i]);
        lines.push_back(line);
      }
    } else if (const auto* info = std::get_if<InfoMessage>(&event)) {
      lines.push_back("info " + std::to_string(info->number) + "/" +
                      std::to_string(info->severity) + "/" + std::to_string(info->state) + " " +
                      Place(info->line, info->procedure) + ": " + info->text);
    } else if (const auto* error = std::get_if<ErrorMessage>(&event)) {
      lines.push_back("error " + std::to_string(error->number) + "/" +
                      std::to_string(error->severity) + "/" + std::to_string(error->state) + " " +
                      Place(error->line, error->procedure) + ": " + error->text);
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
