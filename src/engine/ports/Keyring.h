// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "settings/Status.h"

namespace pelvane::engine {

/// One password in the desktop keyring: the settings file it belongs to, so that two settings
/// files never share an entry, the server's section and the key it stands in for.
struct KeyringEntry {
  std::string settingsFile;
  std::string server;
  std::string key;  // "Password" or "CopyToPW"
};

/// The desktop's password store. Every call does what it says or tells why the keyring could
/// not be used; nothing is ever kept anywhere else instead.
class Keyring {
 public:
  virtual ~Keyring() = default;
  /// The stored password; none when the entry does not exist.
  virtual Result<std::optional<std::string>> Read(const KeyringEntry& entry) = 0;
  /// Stores the password under a label a person recognises in their keyring tool.
  virtual Status Store(const KeyringEntry& entry, const std::string& label,
                       const std::string& password) = 0;
  /// Removes the entry; Ok when there was none.
  virtual Status Remove(const KeyringEntry& entry) = 0;
};

}  // namespace pelvane::engine
