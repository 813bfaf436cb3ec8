// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/ports/RemoteClock.h"

namespace pelvane::platform {

/// The first request of an SMB connection over TCP (port 445): an SMB1 negotiate offering
/// "NT LM 0.12" and "SMB 2.002", framed for direct TCP. A server answers with an SMB1 or an
/// SMB2 negotiate response; both carry its clock.
std::string SmbNegotiateRequest();

/// What a negotiate response tells of the server's clock.
struct NegotiatedTime {
  std::time_t utc = 0;
  /// Minutes west of UTC when the server said so (SMB1 only); SMB2 does not carry a zone.
  std::optional<int> minutesWestOfUtc;
};

/// Reads the server time from one negotiate response (the payload after the 4-byte frame
/// header); nullopt when it is not a successful negotiate response.
std::optional<NegotiatedTime> ReadNegotiateResponse(const std::string& payload);

/// The length the 4-byte direct-TCP frame header announces; nullopt when it is not a session
/// message.
std::optional<size_t> FramedLength(const std::string& header);

}  // namespace pelvane::platform
