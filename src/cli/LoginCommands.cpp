#include <istream>
#include <ostream>

#include "cli/Command.h"
#include "cli/TerminalQuestion.h"
#include "engine/LoginTest.h"
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

/// Tests the login as the dialog does before saving; false when the user (or the absence of
/// --save-anyway) says not to save.
bool LoginTestPasses(CliContext& context, const Args& args, const std::string& server,
                     const engine::SqlLogin& login) {
  std::unique_ptr<engine::SqlClient> client = context.environment.makeSqlClient();
  engine::LoginCheck check = client->CheckLogin({server, login.login, login.password, ""});
  std::optional<engine::LoginQuestion> question =
      engine::LoginTestQuestion(check, server, login.login);
  if (!question) return true;
  std::optional<engine::Answer> asked =
      AskChoice(context.environment.readLine, question->title + ": " + question->text, false);
  bool answer = asked ? *asked == engine::Answer::kYes : args.Has("save-anyway");
  if (!asked) {
    context.err << question->title << ": " << question->text << '\n'
                << (answer ? "Yes (--save-anyway)" : "No (no --save-anyway given)") << '\n';
  }
  return answer;
}

int RunLogin(CliContext& context, const Args& args) {
  if (args.positional().size() != 1)
    return Refuse(context,
                  "usage: login NAME [--user U] [--database D] [--group G] [--password-stdin] "
                  "[--save-anyway]");
  const std::string& server = args.positional()[0];
  settings::ServerRegistry registry(context.store);
  if (!registry.IsListed(server)) return Refuse(context, server + " is not in the server list.");

  // Like the dialog, which opens with the stored values: what is not given stays as stored.
  engine::SqlLogin login = engine::LoadSqlLogin(context.store, server);
  if (auto user = args.Value("user")) login.login = *user;
  if (auto database = args.Value("database")) login.database = *database;
  if (auto group = args.Value("group")) login.group = *group;
  if (args.Has("password-stdin")) login.password = ReadPasswordLine(context.in);
  if (login.login.empty() || login.password.empty())
    return Refuse(context, engine::kEmptyLoginMessage);

  if (!LoginTestPasses(context, args, server, login)) {
    context.err << "Nothing saved.\n";
    return kExitFailure;
  }
  Status saved = engine::SaveSqlLogin(context.store, server, login);
  if (!saved) return Report(context, saved);
  context.out << "Saved the SQL login of " << server << ".\n";
  return kExitOk;
}

}  // namespace

std::vector<Command> LoginCommands() {
  return {
      {"login",
       "test and store a server's SQL login, password and database",
       "usage: pelvanectl login NAME [--user U] [--database D] [--group G] [--password-stdin]\n"
       "                        [--save-anyway]\n\n"
       "Stores the SQL login that runs use for the listed server NAME: the user name as given,\n"
       "the password scrambled, the database and the group in upper case. Options left out\n"
       "keep the stored value. --password-stdin reads the password from the first line of\n"
       "standard input, so that it never shows in a process list or a shell history.\n"
       "An empty user name or password is refused.\n\n"
       "Before saving, the login is tested by connecting to the server. When the server cannot\n"
       "be reached or refuses the login, the question whether to save anyway is asked on the\n"
       "terminal; without a terminal, --save-anyway answers yes and its absence no (exit\n"
       "status 1, nothing saved).\n",
       {{"user", "database", "group"}, {"password-stdin", "save-anyway"}},
       RunLogin},
  };
}

}  // namespace pelvane::cli
