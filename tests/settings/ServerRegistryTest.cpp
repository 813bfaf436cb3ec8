// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "settings/ServerRegistry.h"
#include "support/TempDir.h"

namespace pelvane::settings {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;
using Names = std::vector<std::string>;

class ServerRegistryTest : public ::testing::Test {
 protected:
  TempDir dir;
  SettingsStore store{dir.File("Pelvane.ZRQ")};
  ServerRegistry registry{store};
};

TEST_F(ServerRegistryTest, FillsByGroupAndTheListEndsAtTheFirstEmptyPosition) {
  const std::string grouped =
      "[Servers]\nServer1=PROD1\nServer2=DEV1\nServer3=PROD2\nServer4=LOOSE\n"
      "[PROD1]\nServerGroup=PROD\n[dev1]\nServerGroup=dev\n[PROD2]\nServerGroup=Prod\n";
  const Names all{"PROD1", "DEV1", "PROD2", "LOOSE"};
  struct Case {
    std::string bytes, group;
    Names expected;
    int count;
  } cases[] = {
      {grouped, "", all, 4},
      {grouped, "all", all, 4},
      {grouped, "PROD", {"PROD1", "PROD2"}, 4},  // stored groups are compared in upper case
      {"[Servers]\nServer1=A\nServer2=\nServer3=C\n", "", {"A"}, 1},
      {"[Servers]\nServer1=A\nServer2=?B\nServer3=C\n", "", {"A"}, 1},
  };
  for (const Case& c : cases) {
    WriteBytes(store.file(), c.bytes);
    EXPECT_EQ(registry.FillServerList(c.group), c.expected) << c.bytes << c.group;
    EXPECT_EQ(registry.ServerCount(), c.count) << c.bytes << c.group;
  }
  WriteBytes(store.file(), grouped);
  EXPECT_EQ(registry.GroupList(true), (Names{"PROD", "DEV"}));
  EXPECT_EQ(registry.GroupList(false), (Names{"PROD", "dev", "Prod"}));
}

TEST_F(ServerRegistryTest, AddWritesEntrySectionAndBlankLine) {
  ASSERT_TRUE(registry.AddServer(" srv1 ", "Prod"));
  ASSERT_TRUE(registry.AddServer("srv2", ""));
  EXPECT_EQ(ReadBytes(store.file()),
            "[Servers]\nServer1=SRV1\nServer2=SRV2\n[srv1]\nServerGroup=PROD\n \n"
            "[srv2]\nServerGroup=\n \n");
  EXPECT_EQ(registry.FillServerList("PROD"), (Names{"SRV1"}));
  EXPECT_TRUE(registry.IsListed("  Srv1"));
  EXPECT_FALSE(registry.IsListed("SRV3"));
}

// Removing takes the last entry of the name, closes the gap and deletes the server's section,
// but never a section of the program's own that a file from before such names were refused lists.
TEST_F(ServerRegistryTest, RemoveClosesTheGapAndDeletesTheSection) {
  WriteBytes(store.file(),
             "[Pelvane]\nQAPath=/opt/pelvane\n[Servers]\nServer1=A\nServer2=B\nServer3=A\n"
             "Server4=PELVANE\nServer5=C\n[A]\nServerGroup=G\n[B]\nLogin=sa\n[C]\nServerGroup=G\n");
  const std::string before = ReadBytes(store.file());
  // 1 removed, 0 not listed, -1 refused.
  auto remove = [&](const char* name) {
    Result<bool> removed = registry.RemoveServer(name);
    return removed ? int{*removed} : -1;
  };
  for (const char* unknown : {"a", "Z"}) EXPECT_EQ(remove(unknown), 0) << unknown;
  EXPECT_EQ(ReadBytes(store.file()), before);
  for (const char* name : {"B", "PELVANE"}) EXPECT_EQ(remove(name), 1) << name;
  EXPECT_EQ(registry.FillServerList(""), (Names{"A", "A", "C"}));
  EXPECT_NE(ReadBytes(store.file()).find("Server5=\n"), std::string::npos);
  EXPECT_EQ(store.GetINIValue("B", "Login") + store.GetINIValue("C", "ServerGroup"), "G");
  EXPECT_EQ(store.GetINIValue("Pelvane", "QAPath"), "/opt/pelvane");
  EXPECT_EQ(remove("A"), 1);
  EXPECT_EQ(registry.FillServerList(""), (Names{"A", "C"}));
  for (const char* name : {"C", "A"}) EXPECT_EQ(remove(name), 1);
  EXPECT_EQ(registry.ServerCount(), 0);
}

// Names and groups the file could not give back as typed, and a 32768th server, are refused.
TEST_F(ServerRegistryTest, RefusesWhatCannotBeStoredAndKeepsTheFile) {
  auto listing = [](int count) {
    std::string bytes = "[Servers]\n";
    for (int i = 1; i <= count; ++i) bytes += "Server" + std::to_string(i) + "=S\n";
    return bytes;
  };
  WriteBytes(store.file(), listing(kMaxServers - 1));
  const std::pair<std::string, std::string> refused[] = {
      {"   ", "G"},
      {"B", "two\nlines"},
      {"?prod", ""},
      {std::string(256, 'S'), ""},
  };
  for (const auto& [name, group] : refused) EXPECT_FALSE(registry.AddServer(name, group)) << name;
  EXPECT_EQ(ReadBytes(store.file()), listing(kMaxServers - 1));
  ASSERT_TRUE(registry.AddServer(std::string(255, 'S'), ""));  // the last place
  const std::string full = ReadBytes(store.file());
  Status refusal = registry.AddServer("one more", "");
  EXPECT_NE(refusal.message().find("32767"), std::string::npos) << refusal.message();
  EXPECT_EQ(ReadBytes(store.file()), full);
  // A longer list, written by hand, is read up to the 16-bit count.
  WriteBytes(store.file(), listing(kMaxServers + 1));
  EXPECT_EQ(registry.FillServerList("").size(), static_cast<size_t>(kMaxServers));
  EXPECT_EQ(registry.ServerCount(), kMaxServers);
}

}  // namespace
}  // namespace pelvane::settings
