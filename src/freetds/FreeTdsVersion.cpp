// SPDX-License-Identifier: GPL-3.0-or-later
#include "freetds/FreeTdsVersion.h"

#include <sybdb.h>

#include <cstdio>

namespace pelvane::freetds {

std::string FreeTdsVersion() {
  // "freetds v1.3.17"
  const std::string text = dbversion() != nullptr ? dbversion() : "";
  const size_t v = text.rfind('v');
  return v == std::string::npos ? text : text.substr(v + 1);
}

bool SupportsStrictEncryption(const std::string& version) {
  int major = 0;
  int minor = 0;
  if (std::sscanf(version.c_str(), "%d.%d", &major, &minor) != 2) return false;
  return major > 1 || (major == 1 && minor >= 5);
}

std::string StrictUnavailableMessage(const std::string& version) {
  return "Strict encryption (TDS 8.0) needs FreeTDS 1.5 or later; this build uses " + version;
}

}  // namespace pelvane::freetds
