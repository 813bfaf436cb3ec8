// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "standin/sql/BatchEvents.h"
#include "standin/tds/ByteWriter.h"

namespace pelvane::standin::tds {

/// Writes COLMETADATA and one ROW per row. Integers go as 8-byte INTN, floats as 8-byte FLTN,
/// text as NVARCHAR (NVARCHAR(MAX) from TDS 7.2 on when a value does not fit 4000 characters;
/// cut to 4000 before 7.2). A column whose values do not all fit its declared type is widened:
/// integers to float, anything to text. A result set without columns writes nothing.
void WriteResultSet(ByteWriter& out, const ResultSet& resultSet, uint32_t tdsVersion);

}  // namespace pelvane::standin::tds
