// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/ports/Keyring.h"
#include "settings/ServerRegistry.h"
#include "settings/SettingsStore.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// What the server dialogs and the command-line tool do to the registry, with their rules.

constexpr char kEmptyServerNameMessage[] =
    "You must enter a valid SQL Server Name or IP Address in the Server text box.";
constexpr char kEmptyLoginMessage[] = "UserName and/or Password not valid, try again!";

enum class AddServerOutcome { kAdded, kAlreadyListed };

/// Adds a typed server unless its trimmed, upper-case name is already listed. A name that is
/// empty or only blanks is refused with kEmptyServerNameMessage: it could never be listed.
Result<AddServerOutcome> AddServerIfNew(settings::ServerRegistry& registry,
                                        const std::string& typedName,
                                        const std::string& typedGroup);

/// A server's SQL login as stored, with the password unscrambled and the group in upper case.
struct SqlLogin {
  std::string login;
  std::string password;
  std::string database;
  std::string group;
};

/// The password comes from where passwords are kept; why not, when it cannot be read.
Result<SqlLogin> LoadSqlLogin(const settings::SettingsStore& store, Keyring& keyring,
                              const std::string& server);

/// Why a typed login cannot be stored as it stands (an empty user name or password, or a value
/// that would not read back); Ok when it can. Checked before the login is tested, so that a
/// login that could never be saved costs no connection.
Status CheckSqlLogin(const std::string& server, const SqlLogin& typed);

/// Stores a login the way the SQL login dialog saves it: "Login" as typed, "Password"
/// scrambled (or in the keyring, the key empty), "Database" and "ServerGroup" in upper case,
/// all in one write. What CheckSqlLogin refuses is not written.
Status SaveSqlLogin(settings::SettingsStore& store, Keyring& keyring, const std::string& server,
                    const SqlLogin& typed);

}  // namespace pelvane::engine
