// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ServerAdmin.h"
#include "engine/ServerTargets.h"
#include "engine/StoredPasswords.h"
#include "engine/VeskRun.h"
#include "engine/fakes/Fakes.h"
#include "settings/PasswordScrambler.h"
#include "settings/ServerRegistry.h"
#include "support/TempDir.h"

namespace pelvane::engine {
namespace {

using fakes::FakeKeyring;
using pelvane::testing::ReadBytes;

std::string Scrambled(const std::string& password) {
  return settings::ScramblePassword(password, settings::PasswordKey);
}

class StoredPasswordsTest : public ::testing::Test {
 protected:
  void UseKeyring() { ASSERT_TRUE(store.SaveINIValues("Pelvane", kPasswordStoreKey, "keyring")); }
  void InKeyring(const std::string& server, PasswordKind kind, const std::string& password) {
    ASSERT_TRUE(keyring.Store(KeyringEntryFor(store, server, kind), "x", password));
  }
  std::string Read(const std::string& server, PasswordKind kind) {
    Result<std::string> read = ReadPassword(store, keyring, server, kind);
    return read ? *read : "error: " + read.status().message();
  }

  pelvane::testing::TempDir dir;
  settings::SettingsStore store{dir.File("Pelvane.ZRQ")};
  settings::ServerRegistry registry{store};
  FakeKeyring keyring;
};

TEST_F(StoredPasswordsTest, ReadsFromTheFileFirstThenTheKeyringOnlyWhenConfigured) {
  struct Case {
    const char* passwordStore;
    const char* inFile;
    const char* inKeyring;  // nullptr: no entry
    std::string read;
  };
  const std::vector<Case> cases = {
      {"", "pw1", "kr1", "pw1"},         // the default is the file
      {"file", "", "kr1", ""},           // the file only, even when empty
      {" Keyring ", "", "kr1", "kr1"},   // matched without regard to case or blanks
      {"keyring", "pw1", "kr1", "pw1"},  // a move cut short: the file's value is still in use
      {"keyring", "", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.passwordStore) + "/" + c.inFile);
    keyring.entries.clear();
    ASSERT_TRUE(store.SaveINIValues("Pelvane", kPasswordStoreKey, c.passwordStore));
    ASSERT_TRUE(store.SaveINIValues("SRV1", "Password", Scrambled(c.inFile)));
    if (c.inKeyring) InKeyring("srv1", PasswordKind::kSqlLogin, c.inKeyring);
    EXPECT_EQ(Read("SRV1", PasswordKind::kSqlLogin), c.read);
  }
}

TEST_F(StoredPasswordsTest, WithTheKeyringTheDialogsLeaveTheFileKeysEmpty) {
  UseKeyring();
  ASSERT_TRUE(store.SaveINIValues("SRV1", "Password", Scrambled("old")));
  ASSERT_TRUE(SaveSqlLogin(store, keyring, "srv1", {"sa", "Secret1", "pubs", "g"}));
  ASSERT_TRUE(SaveCopyTargets(store, keyring, "srv1", {"\\\\m\\s\\", "copier", "Net1", "", ""}));
  EXPECT_EQ(store.GetINIValue("SRV1", "Password"), "");
  EXPECT_EQ(store.GetINIValue("SRV1", "CopyToPW"), "");
  EXPECT_EQ(LoadSqlLogin(store, keyring, "SRV1")->password, "Secret1");
  EXPECT_EQ(LoadCopyTargets(store, keyring, "SRV1")->copyToPassword, "Net1");
  ASSERT_EQ(keyring.entries.size(), 2u);
  for (const auto& [entry, value] : keyring.entries) EXPECT_EQ(std::get<1>(entry), "SRV1");
  // Another settings file listing the same server does not see these passwords.
  settings::SettingsStore other(dir.File("Other.ZRQ"));
  ASSERT_TRUE(other.SaveINIValues("Pelvane", kPasswordStoreKey, "keyring"));
  EXPECT_EQ(*ReadPassword(other, keyring, "SRV1", PasswordKind::kSqlLogin), "");
  EXPECT_EQ(ReadBytes(store.file()).find(Scrambled("Secret1")), std::string::npos);
}

TEST_F(StoredPasswordsTest, AKeyringThatCannotBeUsedSaysSoAndNothingIsWritten) {
  ASSERT_TRUE(registry.AddServer("SRV1", "G"));
  ASSERT_TRUE(store.SaveINIValues("SRV1", "Password", Scrambled("pw1")));
  keyring.unavailable = true;
  // Moving refuses before "PasswordStore" changes.
  Status moved = MovePasswords(store, keyring, PasswordStore::kKeyring, nullptr);
  EXPECT_NE(moved.message().find("not available"), std::string::npos);
  EXPECT_NE(moved.message().find("Nothing was moved."), std::string::npos);
  EXPECT_EQ(ConfiguredPasswordStore(store), PasswordStore::kFile);

  UseKeyring();
  const std::string before = ReadBytes(store.file());
  Status saved = SaveSqlLogin(store, keyring, "SRV1", {"sa", "new", "pubs", "G"});
  EXPECT_NE(saved.message().find("not available"), std::string::npos);
  EXPECT_NE(saved.message().find("Nothing was saved"), std::string::npos);
  EXPECT_FALSE(SaveCopyTargets(store, keyring, "SRV1", {"p", "u", "n", "", ""}));
  EXPECT_EQ(ReadBytes(store.file()), before);
  EXPECT_EQ(Read("SRV1", PasswordKind::kSqlLogin), "pw1");  // still in the file: no keyring needed
  EXPECT_EQ(Read("SRV1", PasswordKind::kNetworkLogin),
            "error: The desktop keyring is not available. The password of SRV1 cannot be read: "
            "\"PasswordStore\" is \"keyring\".");
}

TEST_F(StoredPasswordsTest, MovesEveryPasswordBothWaysAndAMoveCutShortStillReads) {
  for (const char* server : {"ALPHA", "BRAVO", "CHARLIE"})
    ASSERT_TRUE(registry.AddServer(server, "G"));
  ASSERT_TRUE(store.SaveINIValues("ALPHA", "Password", Scrambled("a-sql")));
  ASSERT_TRUE(store.SaveINIValues("ALPHA", "CopyToPW", Scrambled("a-net")));
  ASSERT_TRUE(store.SaveINIValues("BRAVO", "Password", Scrambled("b-sql")));

  std::vector<std::string> movedServers;
  ASSERT_TRUE(MovePasswords(store, keyring, PasswordStore::kKeyring,
                            [&](const std::string& s) { movedServers.push_back(s); }));
  EXPECT_EQ(movedServers, (std::vector<std::string>{"ALPHA", "BRAVO"}));
  EXPECT_EQ(ConfiguredPasswordStore(store), PasswordStore::kKeyring);
  EXPECT_EQ(keyring.entries.size(), 3u);
  for (const char* key : {"Password", "CopyToPW"}) EXPECT_EQ(store.GetINIValue("ALPHA", key), "");
  EXPECT_EQ(Read("ALPHA", PasswordKind::kNetworkLogin), "a-net");

  // As a kill leaves it: one password back in the file, its entry still in the keyring.
  ASSERT_TRUE(store.SaveINIValues("BRAVO", "Password", Scrambled("b-sql")));
  EXPECT_EQ(Read("ALPHA", PasswordKind::kSqlLogin), "a-sql");
  EXPECT_EQ(Read("BRAVO", PasswordKind::kSqlLogin), "b-sql");

  ASSERT_TRUE(MovePasswords(store, keyring, PasswordStore::kFile, nullptr));
  EXPECT_EQ(ConfiguredPasswordStore(store), PasswordStore::kFile);
  EXPECT_TRUE(keyring.entries.empty());
  EXPECT_EQ(store.GetINIValue("ALPHA", "Password"), Scrambled("a-sql"));
  EXPECT_EQ(store.GetINIValue("ALPHA", "CopyToPW"), Scrambled("a-net"));
  EXPECT_EQ(store.GetINIValue("BRAVO", "Password"), Scrambled("b-sql"));
  EXPECT_EQ(store.GetINIValue("CHARLIE", "Password"), "");
}

TEST(StoredPasswordsRunTest, TheRunReadsTheKeyringAndAServerWhosePasswordCannotBeReadFails) {
  fakes::FakeRun f;
  f.AddServer("SRV1", "sa", "", "pubs");
  f.AddServer("SRV2", "sa", "", "pubs");
  ASSERT_TRUE(f.store.SaveINIValues("Pelvane", kPasswordStoreKey, "keyring"));
  ASSERT_TRUE(f.keyring.Store(KeyringEntryFor(f.store, "SRV1", PasswordKind::kSqlLogin), "x",
                              "FromKeyring"));
  const std::string script = f.dir.File("deploy.sql");
  pelvane::testing::WriteBytes(script, "select 1\n");
  f.inputs.scriptText = script;
  f.inputs.processServers = {"SRV1"};
  RunVesk(1, f.run);
  ASSERT_EQ(f.sql.checkedLogins.size(), 1u);
  EXPECT_EQ(f.sql.checkedLogins[0].password, "FromKeyring");

  f.keyring.unavailable = true;
  f.inputs.processServers = {"SRV2", "SRV1"};
  RunVesk(1, f.run);
  EXPECT_EQ(f.sql.checkedLogins.size(), 1u);  // neither server was tried without its password
  ASSERT_EQ(f.host.events.size(), 2u);
  for (const std::string& event : f.host.events)
    EXPECT_NE(event.find("cannot be read: \"PasswordStore\" is \"keyring\""), std::string::npos);
}

}  // namespace
}  // namespace pelvane::engine
