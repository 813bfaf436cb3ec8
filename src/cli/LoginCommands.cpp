#include <istream>
#include <ostream>

#include "cli/Command.h"
#include "engine/ServerAdmin.h"
#include "settings/ServerRegistry.h"

namespace pelvane::cli {

namespace {

/// The first line of standard input, without its line end.
std::string ReadPasswordLine(std::istream& in) {
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int RunLogin(CliContext& context, const Args& args) {
  if (args.positional().size() != 1)
    return Refuse(context,
                  "usage: login NAME [--user U] [--database D] [--group G] [--password-stdin]");
  const std::string& server = args.positional()[0];
  settings::ServerRegistry registry(context.store);
  if (!registry.IsListed(server)) return Refuse(context, server + " is not in the server list.");

  // Like the dialog, which opens with the stored values: what is not given stays as stored.
  engine::SqlLogin login = engine::LoadSqlLogin(context.store, server);
  if (auto user = args.Value("user")) login.login = *user;
  if (auto database = args.Value("database")) login.database = *database;
  if (auto group = args.Value("group")) login.group = *group;
  if (args.Has("password-stdin")) login.password = ReadPasswordLine(context.in);

  Status saved = engine::SaveSqlLogin(context.store, server, login);
  if (!saved) return Report(context, saved);
  context.out << "Saved the SQL login of " << server << " without testing it.\n";
  return kExitOk;
}

}  // namespace

std::vector<Command> LoginCommands() {
  return {
      {"login",
       "store a server's SQL login, password and database",
       "usage: pelvanectl login NAME [--user U] [--database D] [--group G] [--password-stdin]\n\n"
       "Stores the SQL login that runs use for the listed server NAME: the user name as given,\n"
       "the password scrambled, the database and the group in upper case. Options left out\n"
       "keep the stored value. --password-stdin reads the password from the first line of\n"
       "standard input, so that it never shows in a process list or a shell history.\n"
       "An empty user name or password is refused.\n\n"
       "The login is saved without testing it against the server.\n",
       {{"user", "database", "group"}, {"password-stdin"}},
       RunLogin},
  };
}

}  // namespace pelvane::cli
