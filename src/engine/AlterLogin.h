// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::engine {

/// "ALTER LOGIN [name] WITH PASSWORD = N'new' OLD_PASSWORD = N'old'", the password change of
/// servers without sp_password. The statement takes no parameters, so the name is bracketed
/// with "]" doubled and the passwords are literals with "'" doubled.
std::string AlterLoginStatement(const std::string& login, const std::string& oldPassword,
                                const std::string& newPassword);

}  // namespace pelvane::engine
