// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "settings/Status.h"
#include "standin/tds/ByteReader.h"

namespace pelvane::standin::tds {

/// A parameter's value as text (nullopt for NULL), and whether T-SQL would quote it.
struct ParameterValue {
  std::optional<std::string> text;
  bool quoted = false;
};

/// Reads one RPC parameter's TYPE_INFO and value, and renders the value as the text the SQL
/// side takes (nullopt for NULL): numbers in decimal, character data as UTF-8 (VARCHAR from
/// code page 1252), binary as 0x..., dates as ISO text. An unknown type is an error, since the
/// value's length cannot be known without it.
Result<ParameterValue> ReadParameterValue(ByteReader& in);

}  // namespace pelvane::standin::tds
