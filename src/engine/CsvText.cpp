// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CsvText.h"

#include <string_view>

namespace pelvane::engine {

namespace {

Status CsvError(int line, const std::string& what) {
  return Status::Error("Line " + std::to_string(line) + " of the CSV text " + what + ".",
                       kInvalidArgument);
}

/// Whether a spreadsheet would take the cell, after any leading apostrophes, for a formula.
bool StartsLikeFormula(const std::string& text) {
  const size_t first = text.find_first_not_of('\'');
  return first != std::string::npos &&
         std::string_view("=+-@\t\r").find(text[first]) != std::string_view::npos;
}

/// Undoes what CsvField adds to a cell that starts like a formula.
std::string Restored(std::string field) {
  if (!field.empty() && field.front() == '\'' && StartsLikeFormula(field)) field.erase(0, 1);
  return field;
}

}  // namespace

std::string CsvField(const std::string& text) {
  // Server data must never run as a formula when the file is opened in a spreadsheet; an
  // apostrophe in front makes it text. Cells already starting with apostrophes before such a
  // character get one more, so that the reader can undo exactly what was added.
  const std::string cell = StartsLikeFormula(text) ? "'" + text : text;
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string CsvRecord(const std::vector<std::string>& fields) {
  std::string record;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) record += ',';
    record += CsvField(fields[i]);
  }
  return record + "\r\n";
}

Result<bool> CsvReader::Next(std::vector<std::string>& record) {
  record.clear();
  const std::string_view text = text_;
  const size_t n = text.size();
  size_t& i = at_;
  if (i >= n) return false;
  std::string field;
  for (;;) {
    if (i < n && text[i] == '"') {
      const int openedOn = line_;
      ++i;
      for (;;) {
        if (i >= n) return CsvError(openedOn, "opens a quoted field that is never closed");
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        if (text[i] == '\n') ++line_;
        field += text[i++];
      }
      if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
        return CsvError(line_, "has text after a closing quote");
    } else {
      const size_t start = i;
      while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
        if (text[i] == '"') return CsvError(line_, "has a quote inside an unquoted field");
        ++i;
      }
      field.append(text.substr(start, i - start));
    }
    record.push_back(Restored(std::move(field)));
    field.clear();
    if (i >= n) return true;
    if (text[i] == ',') {
      ++i;
      continue;
    }
    if (text[i] == '\r') {
      if (i + 1 >= n || text[i + 1] != '\n')
        return CsvError(line_, "has a carriage return outside a quoted field");
      ++i;
    }
    ++i;
    ++line_;
    return true;
  }
}

Result<std::vector<std::vector<std::string>>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  CsvReader reader(text);
  std::vector<std::string> record;
  for (;;) {
    Result<bool> read = reader.Next(record);
    if (!read) return read.status();
    if (!*read) return records;
    records.push_back(std::move(record));
  }
}

}  // namespace pelvane::engine
