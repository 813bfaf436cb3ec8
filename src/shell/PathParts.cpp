// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/PathParts.h"

namespace pelvane::shell {

std::string ParsePath(const std::string& path, PathPart part) {
  constexpr char kSeparators[] = "\\/";
  switch (part) {
    case PathPart::kFile: {
      size_t last = path.find_last_of(kSeparators);
      return last == std::string::npos ? path : path.substr(last + 1);
    }
    case PathPart::kDirectory: {
      size_t last = path.find_last_of(kSeparators);
      return last == std::string::npos ? std::string() : path.substr(0, last + 1);
    }
    case PathPart::kDrive: {
      size_t first = path.find_first_of(kSeparators);
      return first == std::string::npos ? std::string() : path.substr(0, first + 1);
    }
  }
  return std::string();
}

}  // namespace pelvane::shell
