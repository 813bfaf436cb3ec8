// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PasswordChanges.h"

#include <exception>

#include "engine/DateTimeFormat.h"

namespace pelvane::engine {

std::string PasswordChangeResultText(const PasswordChange& change) {
  switch (change.kind) {
    case PasswordChangeKind::kChanged:
      return "Password change SUCCESSFUL.";
    case PasswordChangeKind::kNotChanged:
      return "Change password UNSUCCESSFUL, check to make sure that the server is available and "
             "the current password is correct.";
    case PasswordChangeKind::kRefusedByServer:
      return "Password Change FAILED, current password incorrect.  You may want to connect "
             "manually to test.";
    case PasswordChangeKind::kOtherFailure:
      break;
  }
  return "Change Password FAILED.  Error, " + std::to_string(change.error.nativeError) + ", " +
         change.error.message + ". Verify manually.";
}

std::string ChangeLoginPassword(SqlClient& sql, const std::string& server, const std::string& login,
                                const std::string& oldPassword, const std::string& newPassword,
                                const std::string& dateTimeFormat, const SqlEncryption& encryption,
                                int browserTimeoutMs) {
  PasswordChange change;
  try {
    change =
        sql.ChangePassword(server, login, oldPassword, newPassword, encryption, browserTimeoutMs);
  } catch (const std::exception& e) {
    // A port that throws is one more failure of this server; the next one is still tried.
    change.kind = PasswordChangeKind::kOtherFailure;
    change.error.message = e.what();
  }
  return Timestamp(dateTimeFormat) + " " + server + ": " + PasswordChangeResultText(change) +
         "\r\n";
}

}  // namespace pelvane::engine
