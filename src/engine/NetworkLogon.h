// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/MapDrive.h"
#include "engine/RunContext.h"

namespace pelvane::engine {

/// Whether a connection's result class means the machine refused the credentials themselves
/// (not the folder, not the network).
bool IsLogonRefusal(int code);

/// Remembers the first refusal of the current server's network credentials in this run.
void RememberLogonRefused(RunContext& run, int code, const std::string& reason);

/// What a later network step of the server says instead of offering the refused credentials
/// again: the earlier reason, and that they were not tried again. Empty while none was refused.
std::string LogonRefusedEarlier(const RunContext& run);

/// Connects a network folder with the current server's network credentials, as the copy and
/// append steps do, and remembers a refusal. Once they were refused nothing is tried: the
/// connection fails with the earlier result class and LogonRefusedEarlier as its message.
DriveConnection ConnectServerFolder(RunContext& run, const std::string& remotePath);

}  // namespace pelvane::engine
