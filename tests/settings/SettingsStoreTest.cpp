// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "settings/SettingsStore.h"
#include "support/TempDir.h"

namespace pelvane::settings {
namespace {

namespace fs = std::filesystem;
using pelvane::testing::ReadBytes;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

TEST(SettingsStoreTest, ReadsValuesAsTheOriginalReaderDid) {
  TempDir dir;
  std::string file = dir.File("Pelvane.ZRQ");
  EXPECT_EQ(GetINIValue("Pelvane", "Notify", file), "");  // no file at all
  WriteBytes(file, "[Pelvane]\r\nQuestion=?anything\r\nPadded=  a b  \r\nTabbed=\t a\t\r\nLong=" +
                       std::string(300, 'x') + "\r\nLongBlank=" + std::string(254, 'y') +
                       "  z\r\n");
  const std::pair<const char*, std::string> cases[] = {
      {"Question", ""},  // a value starting with "?" reads as empty
      {"Padded", "a b"},
      {"Tabbed", "a"},  // tabs are blanks too
      {"Long", std::string(255, 'x')},
      {"LongBlank", std::string(254, 'y') + " "},  // cut at 255, the blank after it is kept
  };
  for (const auto& [key, expected] : cases) EXPECT_EQ(GetINIValue("pelvane", key, file), expected);
}

TEST(SettingsStoreTest, OnlyValuesThatReadBackAreWritten) {
  TempDir dir;
  SettingsStore store(dir.File("Pelvane.ZRQ"));
  const std::string longText(700, 'q');
  struct Case {
    const char *section, *key;
    std::string value;
    bool stored;
  } cases[] = {
      // Passwords and the run's multi-line texts are read whole, so any length is kept.
      {"SRV1", "Password", longText, true},
      // Everything else is read up to 255 characters: a longer value would come back cut.
      {"SRV1", "Login", std::string(255, 'l'), true},
      {"SRV1", "Login", std::string(256, 'l'), false},
      // A value starting with "?" reads as empty, whatever the key.
      {"SRV1", "Password", "  ?x", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    Status s = store.SaveINIValues(c.section, c.key, c.value);
    EXPECT_EQ(s.ok(), c.stored) << s.message();
    EXPECT_EQ(store.GetINIValue(c.section, c.key) == c.value, c.stored);
    EXPECT_EQ(s.number() == kInvalidArgument, !c.stored);
  }
}

TEST(SettingsStoreTest, FirstWriteCreatesTheFileAndAnotherWritersChangeIsSeen) {
  TempDir dir;
  SettingsStore store(dir.File("Pelvane.ZRQ"));
  ASSERT_TRUE(SettingsStore(dir.File("missing.ZRQ")).DeleteSection("S"));
  EXPECT_FALSE(fs::exists(dir.File("missing.ZRQ")));  // a file that is not there stays so
  ASSERT_TRUE(store.SaveINIValues("Pelvane", "OverwriteFile", "1"));
  EXPECT_EQ(ReadBytes(store.file()), "[Pelvane]\nOverwriteFile=1\n");
  ASSERT_TRUE(store.SaveINIValues("PELVANE", "OverWriteFile", "0"));
  EXPECT_EQ(ReadBytes(store.file()), "[Pelvane]\nOverwriteFile=0\n");  // its own spelling stays

  // Same size, same inode, probably the same clock tick.
  WriteBytes(store.file(), "[Pelvane]\nOverwriteFile=7\n");
  EXPECT_EQ(store.GetINIValue("pelvane", "overwritefile"), "7");
  ASSERT_TRUE(SettingsStore(store.file()).SaveINIValues("Pelvane", "OverwriteFile", "3"));
  EXPECT_EQ(store.GetINIValue("Pelvane", "OverwriteFile"), "3");
  fs::remove(store.file());
  EXPECT_EQ(store.GetINIValue("Pelvane", "OverwriteFile"), "");
}

TEST(SettingsStoreTest, FailedWritesReportAndLeaveTheFileAsItWas) {
  TempDir dir;
  // A file that cannot be read must not be replaced by one holding only the new key.
  fs::create_directory(dir.File("folder.ZRQ"));
  Status s = SettingsStore(dir.File("folder.ZRQ")).SaveINIValues("S", "k", "new");
  EXPECT_NE(s.message().find("folder.ZRQ"), std::string::npos) << s.message();
  EXPECT_FALSE(SettingsStore(dir.File("no/such/folder/Pelvane.ZRQ")).SaveINIValues("S", "k", "v"));

  // An edit refused halfway writes nothing.
  const std::string good = dir.File("good.ZRQ"), original = "[S]\r\nk=old\r\n";
  WriteBytes(good, original);
  EXPECT_FALSE(SettingsStore(good).Edit([](ProfileDocument& doc) {
    doc.Set("S", "k", "changed");
    return Status::Error("refused halfway");
  }));
  EXPECT_EQ(ReadBytes(good), original);
}

TEST(SettingsStoreTest, ReplacingKeepsModeAndSymbolicLinks) {
  TempDir dir;
  const std::string real = dir.File("real.ZRQ"), link = dir.File("Pelvane.ZRQ");
  WriteBytes(real, "[S]\nk=1\n");
  ::chmod(real.c_str(), 0640);
  fs::create_symlink(real, link);
  // A link to a settings file that does not exist yet stays a link; the file appears behind it.
  fs::create_symlink("later.ZRQ", dir.File("linked.ZRQ"));
  ASSERT_TRUE(SettingsStore(link).SaveINIValues("S", "k", "2"));
  ASSERT_TRUE(SettingsStore(dir.File("linked.ZRQ")).SaveINIValues("S", "k", "3"));
  EXPECT_TRUE(fs::is_symlink(link) && fs::is_symlink(dir.File("linked.ZRQ")));
  EXPECT_EQ(ReadBytes(real), "[S]\nk=2\n");
  EXPECT_EQ(ReadBytes(dir.File("later.ZRQ")), "[S]\nk=3\n");
  EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));

  // Another user's link (planted in a shared folder) is replaced, never written through.
  if (::geteuid() == 0) {
    const std::string planted = dir.File("planted.ZRQ");
    fs::create_symlink(real, planted);
    ASSERT_EQ(::lchown(planted.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(SettingsStore(planted).SaveINIValues("S", "k", "4"));
    EXPECT_FALSE(fs::is_symlink(planted));
    EXPECT_EQ(ReadBytes(real), "[S]\nk=2\n");
  }
}

}  // namespace
}  // namespace pelvane::settings
