// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "engine/ports/SqlClient.h"

namespace pelvane::platform {

/// Why a server that the driver could not reach is not there, found by resolving its name
/// and opening its TCP port once: a record numbered as Microsoft's drivers number it (11001
/// name not resolved, 10061 refused, 10060 no answer in time). None when the port takes the
/// connection, or when the name names an instance (its port is the browser's to tell).
std::optional<engine::SqlError> DiagnoseUnreachable(const std::string& server,
                                                    std::chrono::milliseconds limit);

}  // namespace pelvane::platform
