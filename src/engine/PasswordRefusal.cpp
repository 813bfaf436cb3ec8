// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PasswordRefusal.h"

namespace pelvane::engine {

std::optional<LoginCheckKind> PasswordRefusalKind(long nativeError) {
  if (nativeError == kPasswordExpiredNumber) return LoginCheckKind::kPasswordExpired;
  if (nativeError == kPasswordMustChangeNumber) return LoginCheckKind::kPasswordMustChange;
  return std::nullopt;
}

std::string PasswordRefusalText(LoginCheckKind kind, const std::string& login,
                                const std::string& server) {
  const char* reason = kind == LoginCheckKind::kPasswordExpired      ? "has expired"
                       : kind == LoginCheckKind::kPasswordMustChange ? "must be changed"
                                                                     : nullptr;
  if (reason == nullptr) return "";
  return "Login FAILED for user " + login + " on Server: " + server + " (the password " + reason +
         ").";
}

}  // namespace pelvane::engine
