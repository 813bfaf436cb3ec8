// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/Status.h"

namespace pelvane::engine {

/// One field as RFC 4180 writes it: quoted, with its quotes doubled, when it holds a comma, a
/// double quote, a carriage return or a line feed. A field that a spreadsheet would run as a
/// formula (starting with "=", "+", "-", "@", a tab or a carriage return, after any
/// apostrophes) gets an apostrophe in front, which ParseCsv takes off again.
std::string CsvField(const std::string& text);

/// One record: its fields joined by commas, ended by a carriage return and a line feed.
std::string CsvRecord(const std::vector<std::string>& fields);

/// The records of RFC 4180 text, each field as it was before CsvField; a bare line feed also
/// ends a record, and the last record's line end may be missing. An unclosed quoted field, a quote
/// inside an unquoted field or text after a closing quote is an error that names the record's line.
Result<std::vector<std::vector<std::string>>> ParseCsv(const std::string& text);

/// ParseCsv one record at a time, so that a large text is never held twice.
class CsvReader {
 public:
  /// The text must outlive the reader.
  explicit CsvReader(std::string_view text) : text_(text) {}

  /// The next record into `record`; false at the end of the text, or an error as ParseCsv's.
  Result<bool> Next(std::vector<std::string>& record);

 private:
  std::string_view text_;
  size_t at_ = 0;
  int line_ = 1;
};

}  // namespace pelvane::engine
