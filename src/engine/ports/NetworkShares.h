// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "settings/Status.h"

namespace pelvane::engine {

/// A UNC path: two backslashes (as stored on Windows) or two slashes, then the machine name
/// from the third character on. Compare platform::IsSmbPathText, which also takes mixed
/// separators and "smb://" addresses.
inline bool HasUncPrefix(const std::string& path) {
  return path.size() >= 2 && (path.compare(0, 2, "\\\\") == 0 || path.compare(0, 2, "//") == 0);
}

/// Result codes of a connection attempt, in the classes the copy and append steps act on.
namespace connect_code {
constexpr int kConnected = 0;
constexpr int kAccessDenied = 5;
constexpr int kDuplicateName = 52;    // the path was not found
constexpr int kAlreadyAssigned = 85;  // no local name left
constexpr int kInvalidPassword = 86;
constexpr int kBadNetworkName = 67;
constexpr int kNoNetwork = 1222;
constexpr int kNoNetOrBadPath = 1203;  // refused, unreachable or timed out
constexpr int kExtendedError = 1208;   // anything else; the message tells
constexpr int kSessionCredentialConflict = 1219;
constexpr int kLogonFailure = 1326;
constexpr int kNotSupported = 50;  // no implementation on this platform
}  // namespace connect_code

/// A network folder (\\machine\share\folder) reached with explicit credentials. A connection
/// gives a local name through which files are written, and is removed again after the step.
class NetworkShares {
 public:
  virtual ~NetworkShares() = default;

  struct Connection {
    int code = connect_code::kNotSupported;  // connect_code::kConnected when connected
    std::string localName;                   // what the step writes through; empty otherwise
    std::string message;                     // why it failed, in words; empty when connected
  };

  virtual Connection Connect(const std::string& remotePath, const std::string& userName,
                             const std::string& password) = 0;
  /// True when the connection of localName was removed; force closes open files.
  virtual bool Disconnect(const std::string& localName, bool force) = 0;

  /// Copies a local file to a destination under a local name or a network path; with
  /// failIfExists an existing destination is left alone and the copy fails.
  virtual Status CopyFile(const std::string& source, const std::string& destination,
                          bool failIfExists) = 0;
  /// Appends text and a line end ("\r\n") to a file under a local name or a network path,
  /// creating it when missing.
  virtual Status AppendText(const std::string& path, const std::string& text) = 0;
};

}  // namespace pelvane::engine
