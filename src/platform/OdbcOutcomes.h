// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "engine/ports/SqlClient.h"

namespace pelvane::platform {

/// What a failed connection's diagnostics say about the login: refused (18456), server not
/// reached (communication failure or time-out), or another error; the error is the record
/// that decided.
engine::LoginCheck ClassifyLoginFailure(const std::vector<engine::SqlError>& errors);

/// A failed password change: refused when the driver or the server reported it, another
/// failure when the driver manager or this program did (no driver, no memory).
engine::PasswordChange ClassifyPasswordFailure(const std::vector<engine::SqlError>& errors);

}  // namespace pelvane::platform
