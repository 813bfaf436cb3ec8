// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "settings/Status.h"

namespace pelvane::standin::tds {

/// What the stand-in needs from a LOGIN7 message; strings in UTF-8.
struct Login7Request {
  uint32_t tdsVersion = 0;  // as the client wrote it, e.g. 0x74000004 for 7.4
  uint32_t packetSize = 0;  // 0 when the client leaves it to the server
  std::string hostName;
  std::string userName;
  std::string password;
  std::string appName;
  std::string serverName;
  std::string database;
  bool changePassword = false;  // fChangePassword: `password` is the old one
  std::string newPassword;
};

/// Parses a LOGIN7 payload; every offset is checked against the message. The feature
/// extension block is ignored.
Result<Login7Request> ParseLogin7(const std::string& payload);

/// Reverses the client's password scrambling (swap nibbles, then XOR 0xA5).
std::string UnscramblePassword(const std::string& bytes);

}  // namespace pelvane::standin::tds
