// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/ports/SqlClient.h"

namespace pelvane::engine {

/// What the log says about one password change, after the server name.
std::string PasswordChangeResultText(const PasswordChange& change);

/// Changes the login's password on one server, as the login itself with its old password, and
/// returns the result line for the log: the time stamp in `dateTimeFormat`, " ", the server as
/// listed, ": ", the result text and "\r\n". Every outcome is a line; nothing is thrown.
std::string ChangeLoginPassword(SqlClient& sql, const std::string& server, const std::string& login,
                                const std::string& oldPassword, const std::string& newPassword,
                                const std::string& dateTimeFormat,
                                const SqlEncryption& encryption = {},
                                int browserTimeoutMs = SqlTarget{}.browserTimeoutMs);

}  // namespace pelvane::engine
