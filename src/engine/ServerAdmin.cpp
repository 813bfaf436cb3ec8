// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ServerAdmin.h"

#include "engine/StoredPasswords.h"
#include "settings/ProfileText.h"

namespace pelvane::engine {

using settings::AsciiUpper;

Result<AddServerOutcome> AddServerIfNew(settings::ServerRegistry& registry,
                                        const std::string& typedName,
                                        const std::string& typedGroup) {
  if (settings::TrimBlanks(typedName).empty())
    return Status::Error(kEmptyServerNameMessage, kInvalidArgument);
  if (settings::IsReservedSectionName(typedName)) {
    return Status::Error("A server cannot be named " +
                             std::string(settings::TrimBlanks(typedName)) +
                             ": the program keeps its own settings under that name.",
                         kInvalidArgument);
  }
  Result<bool> added = registry.AddServerUnlessListed(typedName, typedGroup);
  if (!added) return added.status();
  return *added ? AddServerOutcome::kAdded : AddServerOutcome::kAlreadyListed;
}

Result<SqlLogin> LoadSqlLogin(const settings::SettingsStore& store, Keyring& keyring,
                              const std::string& server) {
  Result<std::string> password = ReadPassword(store, keyring, server, PasswordKind::kSqlLogin);
  if (!password) return password.status();
  SqlLogin login;
  login.login = store.GetINIValue(server, "Login");
  login.password = *password;
  login.database = store.GetINIValue(server, "Database");
  login.group = AsciiUpper(store.GetINIValue(server, "ServerGroup"));
  return login;
}

Status CheckSqlLogin(const std::string& server, const SqlLogin& typed) {
  if (typed.login.empty() || typed.password.empty())
    return Status::Error(kEmptyLoginMessage, kInvalidArgument);
  // The login and database must read back as typed; the password is read whole.
  if (Status s = settings::CheckReadsBack(server, "Login", typed.login, "A login"); !s) return s;
  if (Status s = settings::CheckReadsBack(server, "Database", AsciiUpper(typed.database),
                                          "A database name");
      !s)
    return s;
  return settings::CheckServerAndGroup(server, typed.group);
}

Status SaveSqlLogin(settings::SettingsStore& store, Keyring& keyring, const std::string& server,
                    const SqlLogin& typed) {
  if (Status s = CheckSqlLogin(server, typed); !s) return s;
  Result<std::string> password =
      StorePassword(store, keyring, server, PasswordKind::kSqlLogin, typed.password);
  if (!password) return password.status();
  return store.Edit([&](settings::ProfileDocument& doc) {
    for (const auto& [key, value] : {std::pair<const char*, std::string>{"Login", typed.login},
                                     {"Password", *password},
                                     {"Database", AsciiUpper(typed.database)},
                                     {"ServerGroup", AsciiUpper(typed.group)}}) {
      if (Status s = doc.Set(server, key, value); !s) return s;
    }
    return Status::Ok();
  });
}

}  // namespace pelvane::engine
