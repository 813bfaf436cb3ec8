// SPDX-License-Identifier: GPL-3.0-or-later
// Several processes writing one settings file: none may lose another's change.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>

#include "settings/FileLock.h"
#include "settings/ServerRegistry.h"
#include "support/TempDir.h"

namespace pelvane::settings {
namespace {

using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

// Processes share the file, and two threads of each process share one store.
TEST(SettingsWritersTest, ParallelProcessesLoseNoAddAndNoSet) {
  TempDir dir;
  const std::string file = dir.File("Pelvane.ZRQ");
  constexpr int kProcesses = 4, kAdds = 50;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(::fork());
    if (children.back() == 0) {
      SettingsStore store(file);
      std::atomic<bool> ok{true};
      auto adds = [&](int first) {
        ServerRegistry registry(store);
        for (int i = first; i < kAdds; i += 2) {
          std::string name = "P" + std::to_string(p) + "S" + std::to_string(i);
          if (!registry.AddServerUnlessListed(name, "G" + std::to_string(p)) ||
              // Every process also adds one shared name: it must end up listed once.
              !registry.AddServerUnlessListed("SHARED", "") ||
              !store.SaveINIValues("Sets", name, std::to_string(i)))
            ok = false;
        }
      };
      std::thread other(adds, 1);
      adds(0);
      other.join();
      ::_exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = -1;
    EXPECT_TRUE(::waitpid(child, &status, 0) == child && WIFEXITED(status) && !WEXITSTATUS(status));
  }

  SettingsStore store(file);
  std::vector<std::string> listed = ServerRegistry(store).FillServerList("");
  EXPECT_EQ(listed.size(), size_t{kProcesses * kAdds + 1});
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "SHARED"), 1);
  std::set<std::string> unique(listed.begin(), listed.end());
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kAdds; ++i) {
      const std::string name = "P" + std::to_string(p) + "S" + std::to_string(i);
      EXPECT_EQ(unique.count(name), 1u) << name;
      EXPECT_EQ(store.GetINIValue(name, "ServerGroup"), "G" + std::to_string(p)) << name;
      EXPECT_EQ(store.GetINIValue("Sets", name), std::to_string(i)) << name;
    }
  }
}

TEST(SettingsWritersTest, AWriterWaitsForTheLockAndGivesUpWithAMessage) {
  TempDir dir;
  const std::string file = dir.File("Pelvane.ZRQ");
  WriteBytes(file, "[S]\nk=old\n");
  // Another writer holds the lock (flock: its own open file, as another process would).
  std::optional<Result<FileLock>> held = FileLock::Acquire(file, std::chrono::seconds(1));
  ASSERT_TRUE(held->ok());
  SettingsStore store(file);
  store.SetLockPatience(std::chrono::milliseconds(300));
  auto start = std::chrono::steady_clock::now();
  Status refused = store.SaveINIValues("S", "k", "new");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_NE(refused.message().find("lock"), std::string::npos) << refused.message();
  EXPECT_EQ(store.GetINIValue("S", "k"), "old");
  held.reset();  // once the holder lets go, the write goes through
  EXPECT_TRUE(store.SaveINIValues("S", "k", "new"));
  EXPECT_EQ(store.GetINIValue("S", "k"), "new");
}

TEST(SettingsWritersTest, AKilledWritersTemporaryFilesGoAtTheNextWrite) {
  TempDir dir;
  const std::string file = dir.File("Pelvane.ZRQ");
  WriteBytes(file, "[S]\nk=1\n");
  // What a writer killed between creating and renaming its copy leaves behind.
  for (const std::string& name : {file + ".a1B2c3", file + ".ZZZZZZ"}) WriteBytes(name, "[S]\nk=");
  // Files that only look alike stay.
  for (const std::string& name : {file + ".bak", file + ".a1B2c", dir.File("Other.ZRQ.a1B2c3")})
    WriteBytes(name, "");
  ASSERT_TRUE(SettingsStore(file).SaveINIValues("S", "k", "2"));
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.insert(entry.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{"Pelvane.ZRQ", "Pelvane.ZRQ.lock", "Pelvane.ZRQ.bak",
                                          "Pelvane.ZRQ.a1B2c", "Other.ZRQ.a1B2c3"}));
}

}  // namespace
}  // namespace pelvane::settings
