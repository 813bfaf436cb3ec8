// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "engine/ports/SqlClient.h"
#include "freetds/TdsServerName.h"

namespace pelvane::freetds {

/// What stops a connection before anything is sent to the server as the login: "Strict" with a
/// FreeTDS that cannot do it, or a certificate that does not carry "HostNameInCertificate"
/// (FreeTDS cannot check another name itself). `server` is the name as listed, for messages.
std::optional<engine::LoginCheck> CheckBeforeConnecting(const std::string& server,
                                                        const TdsServerName& address,
                                                        const engine::SqlEncryption& encryption,
                                                        std::chrono::milliseconds limit);

/// Why FreeTDS's connection failed when its certificate check was the cause: FreeTDS says only
/// that the connection failed. None when the certificate was not the cause.
std::optional<engine::LoginCheck> ExplainFailedConnection(const std::string& server,
                                                          const TdsServerName& address,
                                                          const engine::SqlEncryption& encryption,
                                                          std::chrono::milliseconds limit);

}  // namespace pelvane::freetds
