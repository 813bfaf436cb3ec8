// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sybdb.h>

#include <optional>
#include <string>
#include <vector>

#include "querytool/OutputLayout.h"

namespace pelvane::querytool {

/// Columns wider than this are shown this wide; longer values are written whole.
constexpr size_t kMaxColumnWidth = 256;

/// The display width of a column of a db-lib type: what its widest value needs.
size_t TypeDisplayWidth(int type, DBINT byteLength, int precision);

/// The current result set's columns as the text layout shows them.
std::vector<ColumnLayout> ResultColumns(DBPROCESS* process);

/// The current row's values as text; nullopt for NULL.
std::vector<std::optional<std::string>> RowValues(DBPROCESS* process, int columnCount);

}  // namespace pelvane::querytool
