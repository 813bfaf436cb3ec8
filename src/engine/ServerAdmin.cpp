#include "engine/ServerAdmin.h"

#include "settings/PasswordScrambler.h"
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
  if (registry.IsListed(typedName)) return AddServerOutcome::kAlreadyListed;
  if (Status s = registry.AddServer(typedName, typedGroup); !s) return s;
  return AddServerOutcome::kAdded;
}

SqlLogin LoadSqlLogin(const settings::SettingsStore& store, const std::string& server) {
  SqlLogin login;
  login.login = store.GetINIValue(server, "Login");
  login.password =
      settings::UnscramblePassword(store.GetINIValue(server, "Password"), settings::PasswordKey);
  login.database = store.GetINIValue(server, "Database");
  login.group = AsciiUpper(store.GetINIValue(server, "ServerGroup"));
  return login;
}

Status SaveSqlLogin(settings::SettingsStore& store, const std::string& server,
                    const SqlLogin& typed) {
  if (typed.login.empty() || typed.password.empty())
    return Status::Error(kEmptyLoginMessage, kInvalidArgument);
  return store.Edit([&](settings::ProfileDocument& doc) {
    for (const auto& [key, value] :
         {std::pair<const char*, std::string>{"Login", typed.login},
          {"Password", settings::ScramblePassword(typed.password, settings::PasswordKey)},
          {"Database", AsciiUpper(typed.database)},
          {"ServerGroup", AsciiUpper(typed.group)}}) {
      if (Status s = doc.Set(server, key, value); !s) return s;
    }
    return Status::Ok();
  });
}

}  // namespace pelvane::engine
