// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/AlterLogin.h"

namespace pelvane::engine {

namespace {

std::string Doubled(const std::string& text, char quote) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == quote) out += c;
  }
  return out;
}

}  // namespace

std::string AlterLoginStatement(const std::string& login, const std::string& oldPassword,
                                const std::string& newPassword) {
  return "ALTER LOGIN [" + Doubled(login, ']') + "] WITH PASSWORD = N'" +
         Doubled(newPassword, '\'') + "' OLD_PASSWORD = N'" + Doubled(oldPassword, '\'') + "'";
}

}  // namespace pelvane::engine
