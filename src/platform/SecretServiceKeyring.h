// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/ports/Keyring.h"

namespace pelvane::platform {

/// The desktop keyring through the Secret Service (GNOME Keyring, KWallet) and libsecret.
/// Entries go into the default collection; a missing session bus, a missing service or a
/// collection that stays locked is an error that says so.
class SecretServiceKeyring : public engine::Keyring {
 public:
  Result<std::optional<std::string>> Read(const engine::KeyringEntry& entry) override;
  Status Store(const engine::KeyringEntry& entry, const std::string& label,
               const std::string& password) override;
  Status Remove(const engine::KeyringEntry& entry) override;
};

/// The message for a keyring that cannot be used, with the reason the system gave.
std::string KeyringUnavailableMessage(const std::string& reason);

}  // namespace pelvane::platform
