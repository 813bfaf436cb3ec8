// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/ports/SqlClient.h"

namespace pelvane::engine {

/// The one reason a connection check gives for a server. The kinds of LoginCheckKind that name
/// a cause of their own map onto these one to one.
enum class ConnectionCause {
  kOk,
  kNameNotResolved,
  kBrowserSilent,
  kPortRefused,
  kNoAnswerInTime,
  kCertificate,
  kStrictUnavailable,
  kLoginRefused,
  kPasswordExpired,
  kPasswordMustChange,
  kDatabaseUnavailable,
  kOtherError,
};

/// The cause as the check's table and reports name it ("OK", "port refused", ...).
std::string ConnectionCauseText(ConnectionCause cause);

/// The cause of one connection attempt: its login outcome first, then the records of its
/// failure (the server's numbers before the network's words). An accepted login whose query
/// failed is still OK unless the failure was about the database.
ConnectionCause ClassifyConnection(const ConnectionProbe& probe);

}  // namespace pelvane::engine
