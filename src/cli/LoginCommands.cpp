// SPDX-License-Identifier: GPL-3.0-or-later
#include <istream>
#include <ostream>

#include "cli/Command.h"
#include "cli/TerminalQuestion.h"
#include "engine/BrowserTimeout.h"
#include "engine/LoginTest.h"
#include "engine/ServerAdmin.h"
#include "engine/SqlEncryptionSettings.h"
#include "engine/StoredPasswords.h"
#include "platform/SecretServiceKeyring.h"
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
                     const engine::SqlLogin& login, const engine::SqlEncryption& encryption) {
  std::unique_ptr<engine::SqlClient> client = context.environment.makeSqlClient(nullptr);
  engine::LoginCheck check =
      client->CheckLogin({server, login.login, login.password, "", encryption,
                          engine::StoredBrowserTimeoutMs(context.store)});
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

/// The stored encryption settings with the options given applied; an error for an unknown mode.
Result<engine::SqlEncryption> GivenEncryption(const Args& args, engine::SqlEncryption encryption) {
  if (auto mode = args.Value("encrypt")) {
    std::optional<engine::EncryptMode> parsed = engine::ParseEncryptMode(*mode);
    if (!parsed) return Status::Error("--encrypt takes Optional, Mandatory or Strict.");
    encryption.mode = *parsed;
    encryption.modeWritten = true;
  }
  if (args.Has("trust-server-certificate")) encryption.trustServerCertificate = true;
  if (auto file = args.Value("server-certificate")) encryption.serverCertificate = *file;
  if (auto name = args.Value("host-name-in-certificate")) encryption.hostNameInCertificate = *name;
  return encryption;
}

int RunLogin(CliContext& context, const Args& args) {
  if (args.positional().size() != 1)
    return Refuse(context,
                  "usage: login NAME [--user U] [--database D] [--group G] [--password-stdin] "
                  "[--save-anyway] [--encrypt MODE] [--trust-server-certificate] "
                  "[--server-certificate FILE] [--host-name-in-certificate NAME]");
  const std::string& server = args.positional()[0];
  settings::ServerRegistry registry(context.store);
  if (!registry.IsListed(server)) return Refuse(context, server + " is not in the server list.");

  // Like the dialog, which opens with the stored values: what is not given stays as stored.
  platform::SecretServiceKeyring keyring;
  Result<engine::SqlLogin> stored = engine::LoadSqlLogin(context.store, keyring, server);
  if (!stored) return Fail(context, stored.status().message());
  engine::SqlLogin login = *stored;
  if (auto user = args.Value("user")) login.login = *user;
  if (auto database = args.Value("database")) login.database = *database;
  if (auto group = args.Value("group")) login.group = *group;
  if (args.Has("password-stdin")) login.password = ReadPasswordLine(context.in);
  const engine::SqlEncryption storedEncryption = engine::LoadSqlEncryption(context.store, server);
  Result<engine::SqlEncryption> encryption = GivenEncryption(args, storedEncryption);
  if (!encryption) return Refuse(context, encryption.status().message());
  // What could never be saved is refused before anything connects.
  if (Status s = engine::CheckSqlLogin(server, login); !s) return Report(context, s);

  if (!LoginTestPasses(context, args, server, login, *encryption)) {
    context.err << "Nothing saved.\n";
    return kExitFailure;
  }
  Status saved = engine::SaveSqlLogin(context.store, keyring, server, login);
  if (saved)
    saved = engine::SaveSqlEncryption(context.store, server, storedEncryption, *encryption);
  if (!saved) return Report(context, saved);
  context.out << "Saved the SQL login of " << server << ".\n";
  return kExitOk;
}

int RunPasswords(CliContext& context, const Args& args) {
  const bool toKeyring = args.Has("to-keyring");
  if (!args.positional().empty() || toKeyring == args.Has("to-file"))
    return Refuse(context, "usage: passwords --to-keyring | --to-file");
  platform::SecretServiceKeyring keyring;
  int moved = 0;
  Status done = engine::MovePasswords(
      context.store, keyring,
      toKeyring ? engine::PasswordStore::kKeyring : engine::PasswordStore::kFile,
      [&](const std::string& server) {
        ++moved;
        context.out << "Moved the passwords of " << server << ".\n";
      });
  if (!done) return Fail(context, done.message());
  context.out << "Passwords are kept in the " << (toKeyring ? "desktop keyring" : "settings file")
              << " (" << moved << " server" << (moved == 1 ? "" : "s") << " moved).\n";
  return kExitOk;
}

}  // namespace

std::vector<Command> LoginCommands() {
  return {
      {"login",
       "test and store a server's SQL login, password and database",
       "usage: pelvanectl login NAME [--user U] [--database D] [--group G] [--password-stdin]\n"
       "                        [--save-anyway] [--encrypt MODE] [--trust-server-certificate]\n"
       "                        [--server-certificate FILE] [--host-name-in-certificate NAME]\n\n"
       "Stores the SQL login that runs use for the listed server NAME: the user name as given,\n"
       "the password scrambled (or in the desktop keyring), the database and the group in upper "
       "case. Options left out\n"
       "keep the stored value. --password-stdin reads the password from the first line of\n"
       "standard input, so that it never shows in a process list or a shell history.\n"
       "An empty user name or password is refused.\n\n"
       "Before saving, the login is tested by connecting to the server. When the server cannot\n"
       "be reached or refuses the login, the question whether to save anyway is asked on the\n"
       "terminal; without a terminal, --save-anyway answers yes and its absence no (exit\n"
       "status 1, nothing saved).\n\n"
       "The encryption options are tested with the login and stored in the server's section:\n"
       "--encrypt Optional|Mandatory|Strict (\"Encrypt\"), --trust-server-certificate\n"
       "(\"TrustServerCertificate\" = 1), --server-certificate FILE (\"ServerCertificate\", a PEM\n"
       "file of the CA or of the server's own certificate) and --host-name-in-certificate NAME\n"
       "(\"HostNameInCertificate\"). Left out, the server's own value stays, or the program-wide\n"
       "one in \"Pelvane\".\n",
       {{"user", "database", "group", "encrypt", "server-certificate", "host-name-in-certificate"},
        {"password-stdin", "save-anyway", "trust-server-certificate"}},
       RunLogin},
      {"passwords",
       "move stored passwords to the desktop keyring or back to the file",
       "usage: pelvanectl passwords --to-keyring | --to-file\n\n"
       "Moves the SQL login passwords (\"Password\") and network passwords (\"CopyToPW\") of\n"
       "every listed server, one server at a time, and sets \"PasswordStore\" in \"Pelvane\".\n"
       "--to-keyring sets \"PasswordStore\" to \"keyring\" first, then stores each password\n"
       "in the desktop keyring (the Secret Service) as \"The Pelvane Tool: SERVER (sql login)\"\n"
       "or \"(network login)\", and empties the settings file's key once the keyring gives it\n"
       "back. --to-file writes each password back into the settings file, scrambled, removes\n"
       "it from the keyring once the file reads it back, and sets \"file\" last.\n\n"
       "A move cut short leaves every password in one of the two places, and a password\n"
       "still in the settings file is the one used; run the command again to finish. When the\n"
       "keyring cannot be used (no session bus, no Secret Service, a locked keyring) nothing\n"
       "more is moved and the command says why (exit status 1).\n",
       {{}, {"to-keyring", "to-file"}},
       RunPasswords},
  };
}

}  // namespace pelvane::cli
