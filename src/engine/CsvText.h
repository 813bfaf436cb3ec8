#pragma once

#include <string>
#include <vector>

#include "settings/Status.h"

namespace pelvane::engine {

/// One field as RFC 4180 writes it: quoted, with its quotes doubled, when it holds a comma, a
/// double quote, a carriage return or a line feed.
std::string CsvField(const std::string& text);

/// One record: its fields joined by commas, ended by a carriage return and a line feed.
std::string CsvRecord(const std::vector<std::string>& fields);

/// The records of RFC 4180 text; a bare line feed also ends a record, and the last record's line
/// end may be missing. An unclosed quoted field, a quote inside an unquoted field or text after a
/// closing quote is an error that names the record's line.
Result<std::vector<std::vector<std::string>>> ParseCsv(const std::string& text);

}  // namespace pelvane::engine
