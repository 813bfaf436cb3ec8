// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/ports/Keyring.h"
#include "engine/ports/NetworkShares.h"
#include "engine/ports/RunHost.h"
#include "engine/ports/Sleeper.h"
#include "settings/SettingsStore.h"

namespace pelvane::engine {

/// The outcome of MapNetworkDrive, with the values the copy and append steps act on.
struct DriveConnection {
  /// The local name now connected to the network path; empty when nothing was connected.
  std::string localName;
  /// The final result code of the attempt (connect_code::kConnected when it connected).
  int DriveConnectError = connect_code::kConnected;
  /// The result code of the latest connection attempt of this call.
  int LastConnectResult = connect_code::kConnected;
  /// The reason of a failed connection in words, for the caller to log; often empty.
  std::string ConnectMessage;
};

/// Connects a network folder with explicit credentials. Only an invalid password shows a
/// message itself (critical icon); every other failure is told through the result.
DriveConnection MapNetworkDrive(NetworkShares& shares, RunHost& host, const std::string& remotePath,
                                const std::string& userName, const std::string& password);

/// The words for a failed connection's result class: the critical message of an invalid
/// password, or the reason a step logs; empty for the classes that have none.
std::string DriveConnectMessage(int code, const std::string& remotePath,
                                const std::string& userName);

/// Connects a server's network folder with the server's own network credentials
/// ("CopyToLogin", and "CopyToPW" from where passwords are kept), as the copy and append steps
/// both do. A password that cannot be read connects nothing and says why.
DriveConnection ConnectServerFolder(const settings::SettingsStore& store, Keyring& keyring,
                                    NetworkShares& shares, RunHost& host, const std::string& server,
                                    const std::string& remotePath);

/// Removes a connection after a 1.5 s pause that lets files written through it be closed.
/// True when it was removed.
bool DisconnectNetworkDrive(NetworkShares& shares, Sleeper& sleeper, const std::string& localName,
                            bool force);

/// The pause before a disconnect, in milliseconds.
constexpr int kDisconnectPauseMs = 1500;

/// A destination written to directly, without a connection: a drive-letter path ("C:...", as
/// stored settings from Windows hold them) or an absolute path of this machine ("/..." but not
/// "//..."). Everything else is a network path.
bool IsLocalPath(const std::string& path);

/// True when the path ends with a folder separator ("\" or "/").
bool EndsWithSeparator(const std::string& path);

/// The separator a path written in this style takes: "/" for paths starting with "/", else "\".
char SeparatorFor(const std::string& path);

/// The position of the last folder separator ("\" or "/"), or npos.
size_t LastSeparator(const std::string& path);

}  // namespace pelvane::engine
