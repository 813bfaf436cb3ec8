// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "engine/ports/SqlClient.h"
#include "settings/SettingsStore.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// The section whose keys are every server's defaults.
constexpr char kProgramSection[] = "Pelvane";

/// "Optional", "Mandatory" or "Strict" in any letter case; none for anything else.
std::optional<EncryptMode> ParseEncryptMode(const std::string& text);
/// The name as written in the settings file.
std::string EncryptModeName(EncryptMode mode);

/// A server's "Encrypt", "TrustServerCertificate" ("1"), "ServerCertificate" and
/// "HostNameInCertificate", each from the server's section when written there, else from
/// "Pelvane". An unknown "Encrypt" reads as Mandatory.
SqlEncryption LoadSqlEncryption(const settings::SettingsStore& store, const std::string& server);

/// Writes, in the server's section and in one write, those of the four keys whose value
/// differs from `before` (what LoadSqlEncryption gave), so that the program-wide defaults are
/// not copied into every server. TrustServerCertificate is "1" or "0".
Status SaveSqlEncryption(settings::SettingsStore& store, const std::string& server,
                         const SqlEncryption& before, const SqlEncryption& after);

}  // namespace pelvane::engine
