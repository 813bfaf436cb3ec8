// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ErrnoText.h"

#include <cstring>

namespace pelvane::settings {

std::string ErrnoText(int error) {
  char buffer[256];
  // The GNU strerror_r returns the text, which may not be in the buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

}  // namespace pelvane::settings
