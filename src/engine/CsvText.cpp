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

Result<std::vector<std::vector<std::string>>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  int line = 1;
  bool inRecord = false;  // a field of the current record has begun
  size_t i = 0;
  const size_t n = text.size();
  auto endRecord = [&] {
    record.push_back(std::move(field));
    field.clear();
    records.push_back(std::move(record));
    record.clear();
    inRecord = false;
  };
  while (i < n) {
    inRecord = true;
    if (text[i] == '"') {
      const int openedOn = line;
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
        if (text[i] == '\n') ++line;
        field += text[i++];
      }
      if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
        return CsvError(line, "has text after a closing quote");
    } else {
      while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
        if (text[i] == '"') return CsvError(line, "has a quote inside an unquoted field");
        field += text[i++];
      }
    }
    if (i >= n) break;
    if (text[i] == ',') {
      record.push_back(std::move(field));
      field.clear();
      ++i;
      continue;
    }
    if (text[i] == '\r') {
      if (i + 1 >= n || text[i + 1] != '\n')
        return CsvError(line, "has a carriage return outside a quoted field");
      ++i;
    }
    ++i;
    endRecord();
    ++line;
  }
  if (inRecord) endRecord();
  return records;
}

}  // namespace pelvane::engine
