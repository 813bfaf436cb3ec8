// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliFixture.h"
#include "engine/StoredPasswords.h"
#include "platform/SecretServiceKeyring.h"
#include "settings/PasswordScrambler.h"
#include "support/PrivateSecretService.h"

namespace pelvane::cli {
namespace {

using pelvane::testing::ReadBytes;

/// One private Secret Service for the whole program: the keyring library keeps its bus
/// connection for the life of the process.
pelvane::testing::PrivateSecretService& SecretService() {
  static pelvane::testing::PrivateSecretService service;
  return service;
}

using KeyringCliTest = CliFixture;

// The moves both ways are the engine's tests; here the one to the keyring, which a run reads.
TEST_F(KeyringCliTest, MovedToTheKeyringThePasswordIsReadByARunAndGoesWithItsServer) {
  SecretService();
  testing::StandinServer standin;
  const std::string server = standin.server();
  Register(server);
  settings::SettingsStore store(settings);
  platform::SecretServiceKeyring keyring;

  Outcome moved = Run({"passwords", "--to-keyring"});
  ASSERT_EQ(moved.code, 0) << moved.err;
  EXPECT_EQ(moved.out, "Moved the passwords of " + server +
                           ".\nPasswords are kept in the desktop keyring (1 server moved).\n");
  EXPECT_EQ(store.GetINIValue(server, "Password"), "");
  const Outcome run = Run({"run", "--server", server, "--script", Script("q.sql", "select 1\n")});
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_FALSE(Contains(run.out, "Login FAILED")) << run.out;

  // A removed server takes its entries with it.
  ASSERT_EQ(Run({"servers", "remove", server}).code, 0);
  EXPECT_EQ(*keyring.Read(engine::KeyringEntryFor(store, server, engine::PasswordKind::kSqlLogin)),
            std::nullopt);

  // No password in plain or scrambled form in any file: settings, logs, the keyring's own.
  for (const std::string& text :
       {std::string("Secret1"), settings::ScramblePassword("Secret1", settings::PasswordKey)}) {
    for (const std::filesystem::path& folder : {dir.path(), SecretService().home().path()}) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        EXPECT_FALSE(entry.is_regular_file() && Contains(ReadBytes(entry.path()), text))
            << entry.path() << " holds " << text;
    }
  }
}

// A new keyring, locked, with no way to ask for its password here: said, not waited on.
TEST_F(KeyringCliTest, WithoutAUsableKeyringItSaysSoAndWritesNothing) {
  SecretService();
  Register("srv1");
  const std::string before = ReadBytes(settings), home = dir.File("fresh");
  pelvane::testing::Subprocess run(
      {"/bin/sh", "-c",
       "mkdir -m 700 -p " + home + "/run && env -u DISPLAY HOME=" + home +
           " XDG_DATA_HOME=" + home + " XDG_RUNTIME_DIR=" + home + "/run dbus-run-session -- " +
           PELVANE_PELVANECTL_PATH + " --settings " + settings +
           " passwords --to-keyring 2>&1; echo \"exit $?\""});
  const std::string output = run.ReadAll(std::chrono::seconds(60));
  EXPECT_TRUE(Contains(output,
                       "(a locked keyring that cannot be unlocked here?). Nothing was "
                       "moved.\nexit 1"))
      << output;
  EXPECT_EQ(ReadBytes(settings), before);
}

}  // namespace
}  // namespace pelvane::cli
