// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/MergedGrid.h"

#include <algorithm>

#include "engine/CsvText.h"
#include "engine/JsonText.h"

namespace pelvane::engine {

namespace {

constexpr char kServerColumn[] = "Server";

GridSection SectionFor(const ServerQueryResult& result) {
  GridSection section;
  section.columns.push_back(kServerColumn);
  section.columns.insert(section.columns.end(), result.result.columns.begin(),
                         result.result.columns.end());
  return section;
}

void AddRows(GridSection& section, const ServerQueryResult& result) {
  for (const std::vector<std::string>& values : result.result.rows) {
    std::vector<std::string> row;
    row.reserve(section.columns.size());
    row.push_back(result.server);
    row.insert(row.end(), values.begin(), values.end());
    row.resize(section.columns.size());  // a short row gets empty cells, a long one is cut
    section.rows.push_back(std::move(row));
  }
}

std::string TabCell(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

MergedGrid MergeQueryResults(const std::vector<ServerQueryResult>& results) {
  MergedGrid grid;
  for (const ServerQueryResult& result : results) {
    if (!result.result.hasResultSet || result.result.rows.empty()) continue;
    if (grid.sections.empty()) {
      grid.sections.push_back(SectionFor(result));
    } else if (!std::equal(result.result.columns.begin(), result.result.columns.end(),
                           grid.sections.front().columns.begin() + 1,
                           grid.sections.front().columns.end())) {
      GridSection apart = SectionFor(result);
      apart.note = "The columns of " + result.server + " differ from those of " +
                   grid.sections.front().rows.front().front() + ".";
      AddRows(apart, result);
      grid.sections.push_back(std::move(apart));
      continue;
    }
    AddRows(grid.sections.front(), result);
  }
  return grid;
}

std::string MergedGridToCsv(const MergedGrid& grid) {
  std::string text;
  for (size_t s = 0; s < grid.sections.size(); ++s) {
    if (s > 0) text += "\r\n";
    auto add = [&text](std::vector<std::string> fields) {
      for (std::string& field : fields) field = ToValidUtf8(field);
      text += CsvRecord(fields);
    };
    add(grid.sections[s].columns);
    for (const std::vector<std::string>& row : grid.sections[s].rows) add(row);
  }
  return text;
}

MergedCsvBuilder::MergedCsvBuilder(std::vector<std::string> servers)
    : servers_(std::move(servers)), parts_(servers_.size()) {}

void MergedCsvBuilder::Columns(size_t server, const std::vector<std::string>& names) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (server >= parts_.size()) return;
  parts_[server] = Part{names, {}, false};
}

void MergedCsvBuilder::Row(size_t server, const std::vector<std::string>& values) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (server >= parts_.size()) return;
  Part& part = parts_[server];
  std::vector<std::string> fields;
  fields.reserve(part.columns.size() + 1);
  fields.push_back(ToValidUtf8(servers_[server]));
  for (size_t i = 0; i < part.columns.size(); ++i)
    fields.push_back(i < values.size() ? ToValidUtf8(values[i]) : std::string());
  part.rows += CsvRecord(fields);
  part.any = true;
}

std::string MergedCsvBuilder::TakeText() {
  std::lock_guard<std::mutex> lock(mutex_);
  auto header = [](const std::vector<std::string>& columns) {
    std::vector<std::string> fields{kServerColumn};
    for (const std::string& name : columns) fields.push_back(ToValidUtf8(name));
    return CsvRecord(fields);
  };
  // As MergeQueryResults: the first server with rows sets the columns, the servers with the
  // same columns follow it in one section, every other server is a section of its own.
  const Part* first = nullptr;
  std::string text, apart;
  for (Part& part : parts_) {
    if (!part.any) continue;
    if (first == nullptr) {
      first = &part;
      text = header(part.columns);
    } else if (part.columns != first->columns) {
      apart += "\r\n" + header(part.columns) + part.rows;
      std::string().swap(part.rows);
      continue;
    }
    text += part.rows;
    // Each part goes as it is copied, so the text is held about once.
    std::string().swap(part.rows);
  }
  text += apart;
  parts_.assign(servers_.size(), Part{});
  return text;
}

std::string GridSectionToTabText(const GridSection& section) {
  std::string text;
  auto add = [&text](const std::vector<std::string>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) text += (i ? "\t" : "") + TabCell(cells[i]);
    text += '\n';
  };
  add(section.columns);
  for (const std::vector<std::string>& row : section.rows) add(row);
  return text;
}

}  // namespace pelvane::engine
