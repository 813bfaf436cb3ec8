// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/Status.h"
#include "standin/tds/Requests.h"

namespace pelvane::standin::tds {

/// The parameter names of a declaration such as "@P1 int,@P2 decimal(10,2)", in order.
std::vector<std::string> DeclaredParameterNames(const std::string& declaration);

/// Puts the values into the statement as T-SQL literals, in place of the declared names
/// (text quoted N'...', NULL as NULL). Parameters sent with a name are matched by name,
/// the others by position. Names inside string literals are left alone.
Result<std::string> SubstituteParameters(const std::string& statement,
                                         const std::string& declaration,
                                         const std::vector<RpcParameter>& values);

}  // namespace pelvane::standin::tds
