// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliFixture.h"
#include "engine/StoredPasswords.h"
#include "platform/SecretServiceKeyring.h"
#include "settings/PasswordScrambler.h"
#include "support/PrivateSecretService.h"

#ifndef PELVANE_PELVANECTL_PATH
#error "PELVANE_PELVANECTL_PATH must name pelvanectl"
#endif

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;

/// One private Secret Service for the whole program: the keyring library keeps its bus
/// connection for the life of the process.
pelvane::testing::PrivateSecretService& SecretService() {
  static pelvane::testing::PrivateSecretService service;
  return service;
}

/// The plain files under `folder` that contain `text`.
std::vector<std::string> FilesHolding(const std::filesystem::path& folder,
                                      const std::string& text) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && ReadBytes(entry.path().string()).find(text) != std::string::npos)
      found.push_back(entry.path().string());
  }
  return found;
}

/// pelvanectl as its own process, through the shell, with standard error in its output.
std::string Pelvanectl(const std::string& environment, const std::string& arguments) {
  pelvane::testing::Subprocess run(
      {"/bin/sh", "-c",
       environment + " " + PELVANE_PELVANECTL_PATH + " " + arguments + " 2>&1; echo \"exit $?\""});
  return run.ReadAll(std::chrono::seconds(60));
}

class KeyringCliTest : public CliFixture {
 protected:
  void SetUp() override { SecretService(); }

  /// Runs one script on the server and tells whether the login and the script succeeded.
  bool RunSucceeds(const std::string& server) {
    const Outcome run = Run({"run", "--server", server, "--script", Script("q.sql", "select 1\n")});
    return run.code == 0 && run.out.find("Login FAILED") == std::string::npos &&
           run.out.find("SUCCESSFUL") != std::string::npos;
  }
};

// The moves both ways are the engine's tests; here the one to the keyring, which a run reads.
TEST_F(KeyringCliTest, MovedToTheKeyringThePasswordIsReadByARunAndGoesWithItsServer) {
  testing::StandinServer standin;
  const std::string server = standin.server();
  ASSERT_EQ(Run({"servers", "add", server, "--group", "prod"}).code, 0);
  Outcome login =
      Run({"login", server, "--user", "sa", "--database", "pubs", "--password-stdin"}, "Secret1\n");
  ASSERT_EQ(login.code, 0) << login.err;
  settings::SettingsStore store(settings);
  platform::SecretServiceKeyring keyring;

  Outcome moved = Run({"passwords", "--to-keyring"});
  ASSERT_EQ(moved.code, 0) << moved.err;
  EXPECT_EQ(moved.out, "Moved the passwords of " + server +
                           ".\nPasswords are kept in the desktop keyring (1 server moved).\n");
  EXPECT_EQ(store.GetINIValue(server, "Password"), "");
  EXPECT_TRUE(RunSucceeds(server));

  // A removed server takes its entries with it.
  ASSERT_EQ(Run({"servers", "remove", server}).code, 0);
  EXPECT_EQ(*keyring.Read(engine::KeyringEntryFor(store, server, engine::PasswordKind::kSqlLogin)),
            std::nullopt);

  // No password in plain or scrambled form in any file: settings, logs, the keyring's own.
  for (const std::string& text :
       {std::string("Secret1"), settings::ScramblePassword("Secret1", settings::PasswordKey)}) {
    EXPECT_EQ(FilesHolding(dir.path(), text), std::vector<std::string>()) << text;
    EXPECT_EQ(FilesHolding(SecretService().home().path(), text), std::vector<std::string>())
        << text;
  }
}

TEST_F(KeyringCliTest, WithoutAUsableKeyringItSaysSoAndWritesNothing) {
  ASSERT_EQ(Run({"servers", "add", "srv1", "--group", "prod"}).code, 0);
  ASSERT_EQ(
      Run({"login", "srv1", "--user", "sa", "--password-stdin", "--save-anyway"}, "Secret1\n").code,
      0);
  const std::string before = ReadBytes(settings);
  const std::string args = "--settings " + settings + " passwords --to-keyring";

  const std::string home = dir.File("fresh");
  const std::string freshHome = "mkdir -m 700 -p " + home + "/run && env -u DISPLAY HOME=" + home +
                                " XDG_DATA_HOME=" + home + " XDG_RUNTIME_DIR=" + home + "/run ";
  struct Case {
    std::string environment, message;
  };
  const Case cases[] = {
      {"env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR=" + dir.File("none"),
       "pelvanectl: The desktop keyring (Secret Service) is not available: there is no desktop "
       "session bus. Nothing was moved.\nexit 1"},
      // A new keyring, locked, with no way to ask for its password here.
      {freshHome + "dbus-run-session --",
       "(a locked keyring that cannot be unlocked here?). Nothing was moved.\nexit 1"},
  };
  for (const Case& c : cases) {
    const std::string output = Pelvanectl(c.environment, args);
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
  }
  EXPECT_EQ(ReadBytes(settings), before);
}

}  // namespace
}  // namespace pelvane::cli
