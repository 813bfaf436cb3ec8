// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "engine/ports/SqlClient.h"

namespace pelvane::engine {

/// The numbers under which a failed connection check is known: the base of object errors for a
/// server that cannot be reached, and that base plus 18456 for a refused login.
constexpr long kServerNotAccessibleError = -2147221504;
constexpr long kLoginFailedError = -2147203048;

/// The number a failed check is known by: one of the two above, or the error's own number.
long LoginErrorNumber(const LoginCheck& check);

/// The yes/no question the SQL login dialog asks when the login test fails: Yes saves anyway.
struct LoginQuestion {
  std::string title;
  std::string text;
};

/// The question for a failed check; none when the login was accepted.
std::optional<LoginQuestion> LoginTestQuestion(const LoginCheck& check, const std::string& server,
                                               const std::string& login);

}  // namespace pelvane::engine
