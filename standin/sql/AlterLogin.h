// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "standin/sql/SqlTokens.h"
#include "standin/sql/StatementPlan.h"

namespace pelvane::standin {

/// Plans "ALTER LOGIN name WITH PASSWORD = 'new' [OLD_PASSWORD = 'old']": the login in
/// `procedure`, the passwords in `passwords`; anything else is a syntax error.
void PlanAlterLogin(const std::vector<Token>& tokens, StatementPlan& plan);

}  // namespace pelvane::standin
