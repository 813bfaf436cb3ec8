// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "engine/ServerAdmin.h"
#include "engine/fakes/Fakes.h"
#include "support/TempDir.h"

namespace pelvane::engine {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::TempDir;

class ServerAdminTest : public ::testing::Test {
 protected:
  TempDir dir;
  settings::SettingsStore store{dir.File("Pelvane.ZRQ")};
  settings::ServerRegistry registry{store};
  fakes::FakeKeyring keyring;
};

TEST_F(ServerAdminTest, AddsOnlyNamesThatAreNewAfterTrimmingAndUpperCasing) {
  struct Step {
    std::string name;
    bool ok;
    AddServerOutcome outcome;
  } steps[] = {
      {"alpha", true, AddServerOutcome::kAdded},
      {"beta", true, AddServerOutcome::kAdded},
      {" ALPHA ", true, AddServerOutcome::kAlreadyListed},  // the first entry counts too
      {"", false, AddServerOutcome::kAdded},
      {" pelvane ", false, AddServerOutcome::kAdded},  // would share the program's section
  };
  for (const Step& step : steps) {
    Result<AddServerOutcome> result = AddServerIfNew(registry, step.name, "grp");
    ASSERT_EQ(result.ok(), step.ok) << "'" << step.name << "'";
    if (step.ok) {
      EXPECT_EQ(*result, step.outcome) << step.name;
    } else {
      EXPECT_EQ(result.status().number(), kInvalidArgument);
    }
  }
  EXPECT_EQ(registry.FillServerList("GRP"), (std::vector<std::string>{"ALPHA", "BETA"}));
}

TEST_F(ServerAdminTest, SavesALoginAsTheDialogDoesAndReadsItBack) {
  ASSERT_TRUE(AddServerIfNew(registry, "srv1", "old"));
  SqlLogin typed{"SaUser", "pa ss?", "pubs", "new group"};
  ASSERT_TRUE(SaveSqlLogin(store, keyring, "SRV1", typed));
  EXPECT_EQ(store.GetINIValue("srv1", "Login"), "SaUser");
  EXPECT_EQ(store.GetINIValue("srv1", "Password"), "41511942420E");
  EXPECT_EQ(store.GetINIValue("srv1", "Database"), "PUBS");
  EXPECT_EQ(store.GetINIValue("srv1", "ServerGroup"), "NEW GROUP");
  SqlLogin loaded = *LoadSqlLogin(store, keyring, "srv1");
  EXPECT_EQ(
      std::vector<std::string>({loaded.login, loaded.password, loaded.database, loaded.group}),
      std::vector<std::string>({"SaUser", "pa ss?", "PUBS", "NEW GROUP"}));
  EXPECT_EQ(registry.GroupList(true), (std::vector<std::string>{"NEW GROUP"}));
}

TEST_F(ServerAdminTest, RefusesAnEmptyUserOrPasswordAndWritesNothing) {
  ASSERT_TRUE(AddServerIfNew(registry, "srv1", ""));
  const std::string before = ReadBytes(store.file());
  for (const SqlLogin& typed : {SqlLogin{"", "pw", "db", ""}, SqlLogin{"sa", "", "db", ""}}) {
    Status saved = SaveSqlLogin(store, keyring, "srv1", typed);
    EXPECT_FALSE(saved);
    EXPECT_EQ(saved.message(), kEmptyLoginMessage);
  }
  EXPECT_FALSE(SaveSqlLogin(store, keyring, "srv1", SqlLogin{"sa", "pw", "db\nInjected=1", ""}));
  EXPECT_EQ(ReadBytes(store.file()), before);
}

}  // namespace
}  // namespace pelvane::engine
