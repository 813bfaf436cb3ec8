#include "engine/CsvText.h"

namespace pelvane::engine {

namespace {

Status CsvError(int line, const std::string& what) {
  return Status::Error("Line " + std::to_string(line) + " of the CSV text " + what + ".",
                       kInvalidArgument);
}

}  // namespace

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
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
    record.push_back(std::move(field));
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
