// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/Status.h"

namespace pelvane::standin::tds {

/// The text of a SQL batch message, in UTF-8.
Result<std::string> ParseSqlBatch(const std::string& payload, uint32_t tdsVersion);

struct RpcParameter {
  std::string name;  // empty when the client sent it by position
  bool output = false;
  std::optional<std::string> value;
  bool quoted = false;  // text, dates: written between quotes when put into SQL text
};

struct RpcCall {
  std::string procedureName;  // from the well-known number when the client sent one
  std::vector<RpcParameter> parameters;
};

/// The calls of an RPC message (a client may send several, separated by a batch flag).
Result<std::vector<RpcCall>> ParseRpc(const std::string& payload, uint32_t tdsVersion);

/// The names of the procedures that clients call by number (sp_executesql is 10).
std::string WellKnownProcedureName(uint16_t id);

}  // namespace pelvane::standin::tds
