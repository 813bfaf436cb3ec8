// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/PosixProcessLauncher.h"
#include "support/TempDir.h"

namespace pelvane::platform {
namespace {

using engine::ProcessOutcome;
using pelvane::testing::ReadBytes;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;
using Kind = ProcessOutcome::Kind;

TEST(ProcessLauncherTest, ArgumentsArriveLiterallyAndEnvironmentAdditionsReplaceTheirName) {
  TempDir dir;
  const std::string out = dir.File("args.txt"), marker = dir.File("ran");
  // The snippet is the program's own script; the launcher itself never uses a shell.
  ProcessOutcome outcome = PosixProcessLauncher().RunAndWait(
      "/bin/sh",
      {"-c", "for a; do printf '[%s]' \"$a\"; done > \"$0\"; env >> \"$0\"", out, "a b",
       "x; touch " + marker, "'q\" $(touch " + marker + ")", ""},
      {{"SQLCMDPASSWORD", "p@ss \"w\"; x"}, {"HOME", "/elsewhere"}}, {});
  ASSERT_EQ(outcome.kind, Kind::kExited) << outcome.message;
  EXPECT_EQ(outcome.exitCode, 0);
  const std::string written = ReadBytes(out);
  const std::string args = "[a b][x; touch " + marker + "]['q\" $(touch " + marker + ")][]";
  EXPECT_EQ(written.substr(0, args.size()), args);
  EXPECT_FALSE(std::filesystem::exists(marker));
  const std::string env = "\n" + written.substr(args.size());
  EXPECT_NE(env.find("\nSQLCMDPASSWORD=p@ss \"w\"; x\n"), std::string::npos);
  EXPECT_NE(env.find("\nHOME=/elsewhere\n"), std::string::npos);
  EXPECT_EQ(env.find("\nHOME="), env.rfind("\nHOME="));  // once
  EXPECT_NE(env.find("\nPATH="), std::string::npos);     // the caller's own variables stay
}

TEST(ProcessLauncherTest, HowProgramsEnd) {
  TempDir dir;
  std::string notExecutable = dir.File("plain.txt");
  WriteBytes(notExecutable, "#!/bin/sh\nexit 0\n");
  ::chmod(notExecutable.c_str(), 0644);
  std::string out = dir.File("stdin.txt");
  struct Case {
    std::string name, program;
    std::vector<std::string> arguments;
    Kind kind;
    int exitCode;
    std::optional<int> stopAfterMs;  // a stop asked for this long into the run
  };
  const Case cases[] = {
      {"exit status", "/bin/sh", {"-c", "exit 3"}, Kind::kExited, 3, {}},
      {"standard input is empty", "/bin/sh", {"-c", "cat > \"$0\"", out}, Kind::kExited, 0, {}},
      {"missing program", dir.File("isqlw"), {}, Kind::kNotFound, 0, {}},
      {"not executable", notExecutable, {}, Kind::kFailedToStart, 0, {}},
      {"killed", "/bin/sh", {"-c", "kill -9 $$"}, Kind::kKilled, 0, {}},
      {"stopped", "/bin/sh", {"-c", "sleep 30"}, Kind::kInterrupted, 0, 200},
      {"stopped before it started", "/bin/sh", {"-c", "exit 0"}, Kind::kInterrupted, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::atomic<bool> stopNow{c.stopAfterMs == 0};
    engine::ProcessLimits limits;
    limits.stopNow = &stopNow;
    std::thread stopper([&] {
      if (!c.stopAfterMs) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(*c.stopAfterMs));
      stopNow = true;
    });
    ProcessOutcome outcome = PosixProcessLauncher().RunAndWait(c.program, c.arguments, {}, limits);
    stopper.join();
    EXPECT_EQ(outcome.kind, c.kind) << outcome.message;
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    if (c.kind != Kind::kExited) {
      EXPECT_NE(outcome.message.find(c.kind == Kind::kKilled ? "signal 9" : c.program),
                std::string::npos)
          << outcome.message;
    }
  }
  EXPECT_EQ(ReadBytes(out), "");
}

}  // namespace
}  // namespace pelvane::platform
