// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::freetds {

/// FreeTDS's version as its library gives it at run time ("1.3.17").
std::string FreeTdsVersion();

/// Whether a FreeTDS of that version can do strict encryption (TDS 8.0): 1.5 and later.
bool SupportsStrictEncryption(const std::string& version);

/// What a server set to "Strict" fails with when this FreeTDS cannot do it.
std::string StrictUnavailableMessage(const std::string& version);

}  // namespace pelvane::freetds
