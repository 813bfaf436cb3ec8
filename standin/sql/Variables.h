// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "standin/sql/BatchEvents.h"
#include "standin/sql/SqlTokens.h"

namespace pelvane::standin {

/// A T-SQL local variable or procedure parameter; SQLite sees it as a bound @name parameter.
struct Variable {
  std::string type;  // as declared, upper case
  Value value;
};

/// Keyed by the lower-case name with its "@".
using VariableMap = std::map<std::string, Variable>;

/// "@name [AS] type [= default] [OUTPUT]" as DECLARE and CREATE PROCEDURE write it.
struct VariableDeclaration {
  std::string name;
  std::string type;
  std::vector<Token> initial;  // empty: none
};

/// The comma-separated declarations in tokens [begin, end); nullopt when one is malformed
/// (near then names the token).
std::optional<std::vector<VariableDeclaration>> ParseDeclarations(const std::vector<Token>& tokens,
                                                                  size_t begin, size_t end,
                                                                  std::string& near);

/// The value as the declared type holds it: integers for INT and BIT, floats for the
/// approximate and decimal types, text otherwise.
Value ConvertToType(const Value& value, const std::string& type);

/// Binds every @name parameter of the statement; returns the first name not declared.
std::optional<std::string> BindVariables(sqlite3_stmt* statement, const VariableMap& variables);

}  // namespace pelvane::standin
