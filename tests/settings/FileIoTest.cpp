// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "settings/FileIo.h"
#include "support/TempDir.h"

namespace pelvane::settings {
namespace {

namespace fs = std::filesystem;
using pelvane::testing::ReadBytes;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

// A report or an export goes to a name that may lie in a folder others write to: what is at the
// name is replaced, never what a link there points to.
TEST(FileIoTest, ReplacingAtANameNeverWritesThroughALink) {
  struct Case {
    const char* name;
    const char* linkTo;   // what a link at the name points to; empty: no link
    int fileMode;         // of a file at the name beforehand; -1 a folder there; 0 nothing
    int mode;             // of the file at the name afterwards, when written
    const char* refusal;  // part of the error; empty: written
  };
  const Case cases[] = {
      {"a link to another file", "victim", 0, 0600, ""},
      {"a dangling link", "later", 0, 0600, ""},
      {"an own file keeps its mode", "", 0640, 0640, ""},
      {"a read-only file", "", 0444, 0, "read-only"},
      {"a folder", "", -1, 0, "not a regular file"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteBytes(dir.File("victim"), "keep");
    const std::string at = dir.File("run.csv");
    if (*c.linkTo) fs::create_symlink(dir.File(c.linkTo), at);
    if (c.fileMode < 0) fs::create_directory(at);
    if (c.fileMode > 0) {
      WriteBytes(at, "old");
      ::chmod(at.c_str(), static_cast<mode_t>(c.fileMode));
    }
    Result<FileStamp> written = ReplaceFileAtName(at, "new");
    EXPECT_EQ(written.ok(), !*c.refusal) << c.name << ": " << written.status().message();
    EXPECT_EQ(ReadBytes(dir.File("victim")), "keep") << c.name;
    EXPECT_FALSE(fs::exists(dir.File("later"))) << c.name;
    if (written) {
      EXPECT_EQ(fs::symlink_status(at).type(), fs::file_type::regular) << c.name;
      EXPECT_EQ(fs::status(at).permissions(), fs::perms(c.mode)) << c.name;
      EXPECT_EQ(ReadBytes(at), "new") << c.name;
    } else {
      EXPECT_NE(written.status().message().find(c.refusal), std::string::npos) << c.name;
    }
    for (const auto& entry : fs::directory_iterator(dir.path()))  // no temporary left
      EXPECT_EQ(entry.path().filename().string().find("run.csv."), std::string::npos) << c.name;
  }

  // Another user's file in a shared folder passes neither its owner nor its mode on.
  if (::geteuid() == 0) {
    TempDir dir;
    const std::string at = dir.File("run.csv");
    WriteBytes(at, "old");
    ::chmod(at.c_str(), 0666);
    ASSERT_EQ(::chown(at.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(ReplaceFileAtName(at, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(at.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  EXPECT_FALSE(ReplaceFileAtName("/no/such/folder/run.csv", "new"));
}

// The log file holds query results and error texts.
TEST(FileIoTest, AppendingCreatesAFileOnlyItsOwnerReads) {
  TempDir dir;
  const mode_t before = ::umask(022);
  const std::string log = dir.File("Pelvane.log");
  ASSERT_TRUE(AppendToFile(log, "one\r\n"));
  ASSERT_TRUE(AppendToFile(log, "two\r\n"));
  ::umask(before);
  EXPECT_EQ(ReadBytes(log), "one\r\ntwo\r\n");
  EXPECT_EQ(fs::status(log).permissions(), fs::perms(0600));
}

}  // namespace
}  // namespace pelvane::settings
