// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/NetworkLogon.h"

namespace pelvane::engine {

bool IsLogonRefusal(int code) {
  return code == connect_code::kLogonFailure || code == connect_code::kInvalidPassword;
}

void RememberLogonRefused(RunContext& run, int code, const std::string& reason) {
  if (!run.server.networkLogonRefused.empty()) return;
  run.server.networkLogonRefused = reason.empty() ? "The network logon was refused." : reason;
  run.server.networkLogonRefusedCode = code;
}

std::string LogonRefusedEarlier(const RunContext& run) {
  if (run.server.networkLogonRefused.empty()) return "";
  return "The network credentials of " + run.server.CurrentServer +
         " were refused earlier in this run and are not tried again: " +
         run.server.networkLogonRefused;
}

DriveConnection ConnectServerFolder(RunContext& run, const std::string& remotePath) {
  if (const std::string earlier = LogonRefusedEarlier(run); !earlier.empty()) {
    DriveConnection refused;
    refused.DriveConnectError = run.server.networkLogonRefusedCode;
    refused.LastConnectResult = run.server.networkLogonRefusedCode;
    refused.ConnectMessage = earlier;
    return refused;
  }
  DriveConnection drive = ConnectServerFolder(run.store, run.ports.keyring, run.ports.shares,
                                              run.ports.host, run.server.CurrentServer, remotePath);
  if (IsLogonRefusal(drive.DriveConnectError)) {
    const std::string userName = run.store.GetINIValue(run.server.CurrentServer, "CopyToLogin");
    std::string reason = drive.ConnectMessage;
    if (reason.empty()) reason = DriveConnectMessage(drive.DriveConnectError, remotePath, userName);
    RememberLogonRefused(run, drive.DriveConnectError, reason);
  }
  return drive;
}

}  // namespace pelvane::engine
