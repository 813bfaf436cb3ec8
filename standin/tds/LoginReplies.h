// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "standin/sql/SqlEngine.h"

namespace pelvane::standin::tds {

/// The PRELOGIN answer: version 16.0.2000 and the ENCRYPTION byte (0x02: not supported).
std::string PreloginReply(uint8_t encryption = 0x02);

/// The TDS version the stand-in speaks with a client that asked for `requested`: the same,
/// kept within 7.1 to 7.4.
uint32_t NegotiateTdsVersion(uint32_t requested);

/// The packet size for replies: the client's wish when it is sensible, else 4096.
uint32_t NegotiatePacketSize(uint32_t requested);

/// LOGINACK, the database, the collation and the packet size, then DONE.
std::string LoginAcceptedReply(uint32_t tdsVersion, const std::string& database,
                               uint32_t packetSize);

/// The errors of a refused login (18456, preceded by 4060 for an unknown database; 18487 or
/// 18488 for a password that has expired or must be changed), then DONE with the error bit.
std::string LoginRefusedReply(LoginResult result, uint32_t tdsVersion, const std::string& login,
                              const std::string& database, const std::string& serverName);

}  // namespace pelvane::standin::tds
