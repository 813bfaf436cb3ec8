// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace pelvane::sqlbrowser {

/// CLNT_UCAST_INST: 0x04, the instance name, NUL.
std::string InstanceRequest(const std::string& instance);

/// The TCP port an SVR_RESP datagram (0x05, 2-byte length, "ServerName;X;InstanceName;Y;...;
/// tcp;PORT;;") names for `instance`; nothing when it is no such answer, names another
/// instance, or offers no TCP port.
std::optional<int> TcpPortInReply(const std::string& datagram, const std::string& instance);

}  // namespace pelvane::sqlbrowser
