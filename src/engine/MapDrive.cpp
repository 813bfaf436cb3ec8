// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/MapDrive.h"

#include "engine/StoredPasswords.h"

namespace pelvane::engine {

DriveConnection MapNetworkDrive(NetworkShares& shares, RunHost& host, const std::string& remotePath,
                                const std::string& userName, const std::string& password) {
  DriveConnection result;
  // The port picks the local name itself, so the classic walk over D: to Z: is one attempt.
  const NetworkShares::Connection connection = shares.Connect(remotePath, userName, password);
  result.LastConnectResult = connection.code;
  result.DriveConnectError = connection.code;
  switch (connection.code) {
    case connect_code::kConnected:
      result.localName = connection.localName;
      break;
    case connect_code::kInvalidPassword:
      host.ShowMessage(DriveConnectMessage(connection.code, remotePath, userName), kProgramTitle,
                       MessageIcon::kCritical);
      break;
    default:
      result.ConnectMessage = DriveConnectMessage(connection.code, remotePath, userName);
      // Classes without a text of their own still say why, when the platform told us.
      if (result.ConnectMessage.empty()) result.ConnectMessage = connection.message;
      break;
  }
  return result;
}

std::string DriveConnectMessage(int code, const std::string& remotePath,
                                const std::string& userName) {
  switch (code) {
    case connect_code::kAccessDenied:
    case connect_code::kSessionCredentialConflict:
    case connect_code::kLogonFailure:
      return "Access denied to " + remotePath + ". Check username and password.";
    case connect_code::kDuplicateName:
      return "Path " + remotePath +
             " NOT FOUND. Check Append To Path and Filename in Configure Servers.";
    case connect_code::kInvalidPassword:
      return "Invalid password for user, " + userName + ", Path: " + remotePath +
             ". Verify password and test manually.";
    default:
      return "";
  }
}

DriveConnection ConnectServerFolder(const settings::SettingsStore& store, Keyring& keyring,
                                    NetworkShares& shares, RunHost& host, const std::string& server,
                                    const std::string& remotePath) {
  Result<std::string> password = ReadPassword(store, keyring, server, PasswordKind::kNetworkLogin);
  if (!password) {
    DriveConnection unread;
    unread.DriveConnectError = connect_code::kExtendedError;
    unread.LastConnectResult = connect_code::kExtendedError;
    unread.ConnectMessage = password.status().message();
    return unread;
  }
  return MapNetworkDrive(shares, host, remotePath, store.GetINIValue(server, "CopyToLogin"),
                         *password);
}

bool DisconnectNetworkDrive(NetworkShares& shares, Sleeper& sleeper, const std::string& localName,
                            bool force) {
  sleeper.SleepMs(kDisconnectPauseMs);
  return shares.Disconnect(localName, force);
}

bool IsLocalPath(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return true;
  return !path.empty() && path[0] == '/' && (path.size() == 1 || path[1] != '/');
}

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

char SeparatorFor(const std::string& path) {
  return !path.empty() && path[0] == '/' ? '/' : '\\';
}

size_t LastSeparator(const std::string& path) {
  return path.find_last_of("\\/");
}

}  // namespace pelvane::engine
