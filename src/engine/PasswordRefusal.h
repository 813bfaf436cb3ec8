// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "engine/ports/SqlClient.h"

namespace pelvane::engine {

/// The server's numbers for a login refused because its password has expired or must be
/// changed before anything else.
constexpr long kPasswordExpiredNumber = 18487;
constexpr long kPasswordMustChangeNumber = 18488;

/// kPasswordExpired or kPasswordMustChange for those numbers; none for any other.
std::optional<LoginCheckKind> PasswordRefusalKind(long nativeError);

/// "Login FAILED for user U on Server: S (the password has expired)." or "(... must be
/// changed).", for the two kinds above; empty for any other kind.
std::string PasswordRefusalText(LoginCheckKind kind, const std::string& login,
                                const std::string& server);

}  // namespace pelvane::engine
