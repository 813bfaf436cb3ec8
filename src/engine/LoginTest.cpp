// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LoginTest.h"

namespace pelvane::engine {

long LoginErrorNumber(const LoginCheck& check) {
  switch (check.kind) {
    case LoginCheckKind::kAccepted:
      return 0;
    case LoginCheckKind::kUnreachable:
      return kServerNotAccessibleError;
    case LoginCheckKind::kLoginRefused:
      return kLoginFailedError;
    case LoginCheckKind::kPasswordExpired:
    case LoginCheckKind::kPasswordMustChange:
      // Known as a refused login is, under the server's own number.
      return kServerNotAccessibleError + check.error.nativeError;
    case LoginCheckKind::kOtherError:
    case LoginCheckKind::kCertificateRefused:
    case LoginCheckKind::kStrictUnavailable:
    case LoginCheckKind::kBrowserSilent:
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
    case LoginCheckKind::kLoginRefused:
      return LoginQuestion{"Login Failed", "Login FAILED for user " + login +
                                               " on Server: " + server +
                                               ". Would you like to add the login information "
                                               "anyway?"};
    case LoginCheckKind::kCertificateRefused:
      return LoginQuestion{
          "Certificate Not Trusted",
          check.error.message + " Would you like to add the login information anyway?"};
    case LoginCheckKind::kStrictUnavailable:
      return LoginQuestion{
          "Strict Encryption Not Available",
          check.error.message + ". Would you like to add the login information anyway?"};
    case LoginCheckKind::kBrowserSilent:
    case LoginCheckKind::kPasswordExpired:
    case LoginCheckKind::kPasswordMustChange:
      // The sentence names the cause already.
      return LoginQuestion{
          check.kind == LoginCheckKind::kBrowserSilent ? "Server not accessible" : "Login Failed",
          check.error.message + " Would you like to add the login information anyway?"};
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
