// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "settings/ScratchFile.h"
#include "support/TempDir.h"

namespace pelvane::settings {
namespace {

namespace fs = std::filesystem;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

void MakeOld(const std::string& path) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(2));
}

TEST(ScratchFileTest, TheTemporaryFolderComesFromTmpdirWhenItIsAbsolute) {
  EXPECT_EQ(TemporaryFolderFrom("relative/tmp"), "/tmp");
  EXPECT_EQ(TemporaryFolderFrom("/var/tmp/"), "/var/tmp");
}

// A killed run leaves its scratch folders and files behind; the next one made beside them
// removes those nobody holds, and nothing else.
TEST(ScratchFileTest, LeftoversOfKilledProcessesGoWhenTheNextOneIsMade) {
  TempDir dir;
  struct Entry {
    const char* name;
    bool folder, old, held, stays;
  } entries[] = {
      {"PelvaneScript-aB3xYz", true, true, false, false},  // a killed run's
      {"PelvaneScript-heLd01", true, true, true, true},    // a live run's, with a long script
      {"PelvaneScript-young1", true, false, false, true},  // just made, not locked yet
      {"PelvaneScript-file01", false, true, false, true},  // not a folder
      {"PelvaneScript-toolong", true, true, false, true},  // not our pattern
      {"tmpErrMsgs-aB3xYz.log", false, true, false, false},
      {"tmpErrMsgs-heLd01.log", false, true, true, true},
  };
  std::vector<int> locks;
  for (const Entry& e : entries) {
    const std::string path = dir.File(e.name);
    if (e.folder) {
      fs::create_directory(path);
      WriteBytes(path + "/PelvaneScript.out", "output");
    } else {
      WriteBytes(path, "lines");
    }
    if (e.held) {
      locks.push_back(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
      ASSERT_EQ(::flock(locks.back(), LOCK_EX | LOCK_NB), 0) << e.name;
    }
    if (e.old) MakeOld(path);
  }
  // Scratch made by this process is held for its life, however old it gets.
  Result<ScratchFolder> live = ScratchFolder::CreateBeside(dir.File("PelvaneScript.out"));
  Result<ScratchFile> liveLog = ScratchFile::CreateBeside(dir.File("tmpErrMsgs.log"));
  ASSERT_TRUE(live && liveLog);
  const std::string liveFolder = fs::path(live->File()).parent_path().string();
  MakeOld(liveFolder);
  MakeOld(liveLog->path());

  Result<ScratchFolder> next = ScratchFolder::CreateBeside(dir.File("PelvaneScript.out"));
  Result<ScratchFile> nextLog = ScratchFile::CreateBeside(dir.File("tmpErrMsgs.log"));
  ASSERT_TRUE(next && nextLog);
  for (const Entry& e : entries) EXPECT_EQ(fs::exists(dir.File(e.name)), e.stays) << e.name;
  EXPECT_TRUE(fs::exists(liveFolder));
  EXPECT_TRUE(fs::exists(liveLog->path()));
  for (int fd : locks) ::close(fd);
}

}  // namespace
}  // namespace pelvane::settings
