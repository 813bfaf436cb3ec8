// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "engine/ports/Keyring.h"
#include "settings/SettingsStore.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// Where a server's passwords are kept: "Pelvane"/"PasswordStore" is "file" (the default, the
/// scrambled "Password" and "CopyToPW" in the settings file) or "keyring" (the desktop keyring;
/// the file keeps the keys empty).
enum class PasswordStore { kFile, kKeyring };

/// The SQL login's password ("Password") or the network login's ("CopyToPW").
enum class PasswordKind { kSqlLogin, kNetworkLogin };

constexpr char kPasswordStoreKey[] = "PasswordStore";

PasswordStore ConfiguredPasswordStore(const settings::SettingsStore& store);
const char* PasswordSettingKey(PasswordKind kind);
/// "The Pelvane Tool: SERVER (sql login)" or "(network login)".
std::string KeyringLabel(const std::string& server, PasswordKind kind);
KeyringEntry KeyringEntryFor(const settings::SettingsStore& store, const std::string& server,
                             PasswordKind kind);

/// A server's password, plain, from wherever it is kept. With the keyring, a value still in
/// the file (a move not finished) is the one used: it is only cleared once the keyring holds it.
Result<std::string> ReadPassword(const settings::SettingsStore& store, Keyring& keyring,
                                 const std::string& server, PasswordKind kind);

/// Keeps a server's password where the settings say and gives the value the settings file's key
/// is to hold: the scrambled password, or empty once the keyring has it. Callers write that
/// value with their other keys in one write.
Result<std::string> StorePassword(const settings::SettingsStore& store, Keyring& keyring,
                                  const std::string& server, PasswordKind kind,
                                  const std::string& password);

/// StorePassword and the write of the settings key.
Status SavePassword(settings::SettingsStore& store, Keyring& keyring, const std::string& server,
                    PasswordKind kind, const std::string& password);

/// Removes a server's keyring entries before the server itself goes, so that a server of the
/// same name added later does not inherit them; Ok at once with "file".
Status ForgetPasswords(const settings::SettingsStore& store, Keyring& keyring,
                       const std::string& server);

/// Moves every stored password to `to`, one at a time, removing each from its old place only
/// after the new one reads back; `moved` hears of each server moved. Moving to the keyring
/// sets "PasswordStore" first, moving to the file last, so that a move cut short reads every
/// password from the file when it is there and from the keyring otherwise.
Status MovePasswords(settings::SettingsStore& store, Keyring& keyring, PasswordStore to,
                     const std::function<void(const std::string& server)>& moved);

}  // namespace pelvane::engine
