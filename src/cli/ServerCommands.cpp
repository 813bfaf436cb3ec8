// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <ostream>

#include "cli/Command.h"
#include "engine/ServerAdmin.h"
#include "engine/StoredPasswords.h"
#include "platform/SecretServiceKeyring.h"
#include "settings/ProfileText.h"
#include "settings/ServerRegistry.h"

namespace pelvane::cli {

namespace {

int RunList(CliContext& context, const Args& args) {
  if (!args.positional().empty()) return Refuse(context, "usage: servers list [--group G]");
  settings::ServerRegistry registry(context.store);
  std::string group = settings::AsciiUpper(args.Value("group").value_or(""));
  for (const std::string& name : registry.FillServerList(group)) context.out << name << '\n';
  return kExitOk;
}

int RunGroups(CliContext& context, const Args& args) {
  if (!args.positional().empty()) return Refuse(context, "usage: servers groups");
  settings::ServerRegistry registry(context.store);
  for (const std::string& group : registry.GroupList(true)) context.out << group << '\n';
  return kExitOk;
}

int RunAdd(CliContext& context, const Args& args) {
  if (args.positional().size() != 1) return Refuse(context, "usage: servers add NAME [--group G]");
  settings::ServerRegistry registry(context.store);
  const std::string& name = args.positional()[0];
  Result<engine::AddServerOutcome> added =
      engine::AddServerIfNew(registry, name, args.Value("group").value_or(""));
  if (!added) return Report(context, added.status());
  std::string listed = settings::AsciiUpper(settings::TrimBlanks(name));
  if (*added == engine::AddServerOutcome::kAlreadyListed) {
    context.out << listed << " is already listed; nothing changed.\n";
  } else {
    context.out << "Added " << listed << ".\n";
  }
  return kExitOk;
}

int RunRemove(CliContext& context, const Args& args) {
  if (args.positional().size() != 1) return Refuse(context, "usage: servers remove NAME");
  settings::ServerRegistry registry(context.store);
  // The list holds names in upper case; a name typed otherwise still finds its entry.
  const std::string& typed = args.positional()[0];
  std::vector<std::string> names = registry.FillServerList("");
  bool exact = std::find(names.begin(), names.end(), typed) != names.end();
  std::string name = exact ? typed : settings::AsciiUpper(settings::TrimBlanks(typed));
  if (!registry.IsListed(name)) return Refuse(context, typed + " is not in the server list.");
  platform::SecretServiceKeyring keyring;
  if (Status s = engine::ForgetPasswords(context.store, keyring, name); !s)
    return Report(context, s);
  Result<bool> removed = registry.RemoveServer(name);
  if (!removed) return Report(context, removed.status());
  if (!*removed) return Refuse(context, typed + " is not in the server list.");
  context.out << "Removed " << name << ".\n";
  return kExitOk;
}

}  // namespace

std::vector<Command> ServerCommands() {
  OptionSpec group{{"group"}, {}};
  return {
      {"servers list", "print the servers of a group in list order",
       "usage: pelvanectl servers list [--group G]\n\n"
       "Prints one server a line, in the order of the server list. Without --group, or with\n"
       "--group ALL, every server; otherwise the servers whose group is G (any case).\n",
       group, RunList},
      {"servers groups",
       "print the server groups",
       "usage: pelvanectl servers groups\n\n"
       "Prints each group that a listed server belongs to, once, in upper case, in the order\n"
       "in which the list first names it.\n",
       {},
       RunGroups},
      {"servers add", "add a server to the list",
       "usage: pelvanectl servers add NAME [--group G]\n\n"
       "Adds NAME (blanks around it removed, in upper case) at the end of the server list with\n"
       "the group G in upper case. A name that is already listed, in any case, is left as it\n"
       "is. Set the server's SQL login with 'pelvanectl login'.\n",
       group, RunAdd},
      {"servers remove",
       "remove a server and all its settings",
       "usage: pelvanectl servers remove NAME\n\n"
       "Removes NAME from the server list, closing the gap, and deletes every setting of the\n"
       "server: group, login, password, database, copy, append and service settings.\n",
       {},
       RunRemove},
  };
}

}  // namespace pelvane::cli
