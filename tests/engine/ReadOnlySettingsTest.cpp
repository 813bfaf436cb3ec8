// SPDX-License-Identifier: GPL-3.0-or-later
// What a run stores only for the next reader's convenience (the default query tool folder)
// never fails it: a read-only settings file, or another writer holding it, runs as any other.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <optional>

#include "engine/VeskRun.h"
#include "engine/fakes/Fakes.h"
#include "settings/FileLock.h"

namespace pelvane::engine {
namespace {

TEST(ReadOnlySettingsTest, ARunNeitherFailsNorWaitsForWhatItCannotStore) {
  for (bool readOnly : {true, false}) {
    for (std::optional<int> workers : {std::optional<int>(), std::optional<int>(2)}) {
      SCOPED_TRACE(readOnly ? "read-only" : "held by another writer");
      fakes::FakeRun f;
      for (const char* server : {"SRV1", "SRV2"}) {
        f.AddServer(server, "sa", "Secret1", "pubs");
        f.inputs.processServers.push_back(server);
      }
      f.inputs.scriptText = "deploy.sql";
      f.inputs.parallelServers = workers;
      f.store.SetLockPatience(std::chrono::hours(1));  // a wait for the lock would not end
      std::optional<Result<settings::FileLock>> lock;
      if (readOnly) {
        ::chmod(f.store.file().c_str(), 0444);
      } else {
        lock.emplace(settings::FileLock::Acquire(f.store.file(), std::chrono::milliseconds(0)));
        ASSERT_TRUE(*lock);
      }
      const RunOutcome outcome = RunVesk(1, f.run);
      EXPECT_EQ(outcome.kind, RunOutcome::Kind::kCompleted);
      EXPECT_FALSE(outcome.anyFailure);
      EXPECT_TRUE(f.host.events.empty()) << f.host.events.front();
      EXPECT_EQ(f.processes.calls.size(), 2u);
    }
  }
}

}  // namespace
}  // namespace pelvane::engine
