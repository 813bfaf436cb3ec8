// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LoginTest.h"

namespace pelvane::engine {

long LoginErrorNumber(const LoginCheck& check) {
  switch (check.kind) {
    case LoginCheckKind::kAccepted:
      return 0;
    case LoginCheckKind::kUnreachable:
    case LoginCheckKind::kBrowserSilent:
      return kServerNotAccessibleError;
    case LoginCheckKind::kLoginRefused:
      return kLoginFailedError;
    case LoginCheckKind::kOtherError:
      break;
  }
  return check.error.nativeError;
}

std::optional<LoginQuestion> LoginTestQuestion(const LoginCheck& check, const std::string& server,
                                               const std::string& login) {
  switch (check.kind) {
    case LoginCheckKind::kAccepted:
      return std::nullopt;
    case LoginCheckKind::kUnreachable:
      return LoginQuestion{"Server not accessible",
                           "SQL Server does not exist or is not accessible for Server: " + server +
                               ". Would you like to add the login information anyway?"};
    case LoginCheckKind::kBrowserSilent:
      return LoginQuestion{
          "Server not accessible",
          check.error.message + " Would you like to add the login information anyway?"};
    case LoginCheckKind::kLoginRefused:
      return LoginQuestion{"Login Failed", "Login FAILED for user " + login +
                                               " on Server: " + server +
                                               ". Would you like to add the login information "
                                               "anyway?"};
    case LoginCheckKind::kOtherError:
      break;
  }
  // The wording, "occured" and the blanks included, is the dialog's own.
  return LoginQuestion{"Login Error",
                       std::to_string(LoginErrorNumber(check)) + ", " + check.error.message +
                           " occured in " + check.error.source +
                           ".  Would you like to save the login information anyway? "};
}

}  // namespace pelvane::engine
