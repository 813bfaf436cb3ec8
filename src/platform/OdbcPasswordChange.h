// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/ports/SqlClient.h"
#include "platform/OdbcConnection.h"

namespace pelvane::platform {

/// Whether a failed login was refused for a password that has expired or must be changed.
bool NeedsPasswordChange(const std::vector<engine::SqlError>& errors);

/// Logs in with the old password and has the server change it to the new one during the
/// login (SQL_COPT_SS_OLDPWD): `request` gives the new password as PWD and the old one as
/// oldPassword.
engine::PasswordChange ChangePasswordAtLogin(const OdbcDriverSettings& driver,
                                             const OdbcConnectRequest& request);

/// Whether a failed call found no sp_password (Msg 2812).
bool ProcedureMissing(const std::vector<engine::SqlError>& errors);

/// Changes the password with ALTER LOGIN ... OLD_PASSWORD on an open connection.
engine::PasswordChange ChangePasswordByAlterLogin(const OdbcConnection& connection,
                                                  const std::string& login,
                                                  const std::string& oldPassword,
                                                  const std::string& newPassword);

}  // namespace pelvane::platform
