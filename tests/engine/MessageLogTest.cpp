// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/MessageLog.h"
#include "support/TempDir.h"

namespace pelvane::engine {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::TempDir;
using std::filesystem::exists;

/// A message log over an in-memory window, with its files in a fresh folder.
struct LogFixture {
  TempDir dir;
  TextLogWindow window;
  MessageLog log{window, dir.File("tmpErrMsgs.log"), dir.File("Pelvane.log")};
};

TEST(MessageLogTest, PiecesMakeOneLineAndTheDeferredLogAppearsOnlyAtTheEnd) {
  for (int16_t refresh : {1, 0, 2}) {
    SCOPED_TRACE(refresh);
    LogFixture f;
    f.log.SetRefreshLogWindow(refresh);
    ASSERT_TRUE(f.log.LogMessage("a", false));
    ASSERT_TRUE(f.log.LogMessage("b", true));
    ASSERT_TRUE(f.log.LogMessage("c", false));
    if (refresh == 0) {
      EXPECT_EQ(f.window.Text(), "");
      EXPECT_EQ(ReadBytes(f.log.TempErrorFile()), "ab\r\n");
      EXPECT_EQ(f.log.PendingLogText(), "c");
    }
    ASSERT_TRUE(f.log.LogMessage("", true));
    ASSERT_TRUE(f.log.LogMessage("", true));
    ASSERT_TRUE(f.log.LoadDeferredLog());
    EXPECT_EQ(f.window.Text(), "ab\r\nc\r\n\r\n");
    EXPECT_FALSE(exists(f.log.TempErrorFile()));
  }
}

TEST(MessageLogTest, LinesOfARunThatEndedEarlyOpenTheNextLogOrAreShownOrSaved) {
  enum class Then { kNextRun, kShown, kSaved };
  for (Then then : {Then::kNextRun, Then::kShown, Then::kSaved}) {
    SCOPED_TRACE(static_cast<int>(then));
    LogFixture f;
    f.log.Window().SetText("before\r\n");
    ASSERT_TRUE(f.log.SaveCollectedLines(""));  // nothing collected: no file
    EXPECT_FALSE(exists(f.log.FixedLogFile()));
    f.log.SetRefreshLogWindow(0);
    ASSERT_TRUE(f.log.LogMessage("done", true));
    ASSERT_TRUE(f.log.LogMessage("started ", false));
    const std::string temp = f.log.TempErrorFile();
    if (then == Then::kNextRun) {
      // The next run empties the window first, and its log continues the unfinished line.
      f.log.ClearWindow();
      ASSERT_TRUE(f.log.LogMessage("next run", true));
      ASSERT_TRUE(f.log.LoadDeferredLog());
      EXPECT_EQ(f.window.Text(), "done\r\nstarted next run\r\n");
    } else if (then == Then::kShown) {
      ASSERT_TRUE(f.log.ShowCollectedLines());
      EXPECT_EQ(f.window.Text(), "before\r\ndone\r\nstarted ");
    } else {
      // A log file that cannot be written keeps them for a later try.
      EXPECT_FALSE(f.log.SaveCollectedLines(f.dir.File("no-such-folder/run.log")));
      EXPECT_TRUE(exists(temp));
      ASSERT_TRUE(f.log.SaveCollectedLines("runs.log"));
      EXPECT_EQ(ReadBytes(f.dir.File("runs.log")), "done\r\nstarted \r\n");
      EXPECT_EQ(f.window.Text(), "before\r\n");
    }
    EXPECT_FALSE(exists(temp));
    EXPECT_EQ(f.log.PendingLogText(), "");
    ASSERT_TRUE(f.log.ShowCollectedLines());  // taken once
    ASSERT_TRUE(f.log.SaveCollectedLines("again.log"));
    EXPECT_FALSE(exists(f.dir.File("again.log")));
  }
}

TEST(MessageLogTest, LinesFromBesideAWorkingRunKeepEveryLineWhole) {
  // The desktop program's window thread adds its own lines while the run writes from its thread.
  LogFixture f;
  constexpr int kLines = 2000;
  std::thread beside([&f] {
    for (int i = 0; i < kLines; ++i)
      f.log.Window().AppendText("beside " + std::to_string(i) + "\r\n");
  });
  for (int i = 0; i < kLines; ++i) ASSERT_TRUE(f.log.LogMessage("run " + std::to_string(i), true));
  beside.join();
  ASSERT_TRUE(f.log.SaveLogToFile(""));
  const std::string saved = ReadBytes(f.log.FixedLogFile());
  EXPECT_EQ(saved, f.window.Text() + "\r\n");  // the window saw what the log keeps, in order
  for (int i = 0; i < kLines; ++i) {
    for (const std::string& line : {"beside " + std::to_string(i), "run " + std::to_string(i)})
      EXPECT_NE(("\n" + saved).find("\n" + line + "\r\n"), std::string::npos) << line;
  }
}

TEST(MessageLogTest, EachLogCollectsInAFileOfItsOwn) {
  TempDir dir;
  TextLogWindow firstWindow, secondWindow;
  std::string model = dir.File("tmpErrMsgs.log");
  std::string temp;
  {
    MessageLog first(firstWindow, model, dir.File("Pelvane.log"));
    MessageLog second(secondWindow, model, dir.File("Pelvane.log"));
    first.SetRefreshLogWindow(0);
    second.SetRefreshLogWindow(0);
    ASSERT_TRUE(first.LogMessage("first run", true));
    ASSERT_TRUE(second.LogMessage("second run", true));
    EXPECT_NE(first.TempErrorFile(), second.TempErrorFile());
    struct stat st {};
    ASSERT_EQ(::stat(first.TempErrorFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_TRUE(second.LoadDeferredLog());
    ASSERT_TRUE(first.LoadDeferredLog());
    EXPECT_EQ(firstWindow.Text(), "first run\r\n");
    EXPECT_EQ(secondWindow.Text(), "second run\r\n");
    // A run that ends early keeps its lines for the next run of the same log, not beyond it.
    ASSERT_TRUE(first.LogMessage("left over", true));
    temp = first.TempErrorFile();
    EXPECT_TRUE(exists(temp));
  }
  EXPECT_FALSE(exists(temp));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(MessageLogTest, SaveLogToFileChoosesTheFile) {
  struct Case {
    std::string logFile;      // as stored; "<fixed>" stands for the fixed log file's path
    std::string writtenName;  // file in the folder that receives the log; empty for none
  } cases[] = {
      {"", "Pelvane.log"},       {"<fixed>", ""}, {"C:\\Pelvane.log", ""},
      {"runs.log", "runs.log"},  // relative to the settings folder, not the working directory
      {"<abs>", "absolute.log"},
  };
  for (const Case& c : cases) {
    LogFixture f;
    std::string logFile = c.logFile == "<fixed>" ? f.log.FixedLogFile()
                          : c.logFile == "<abs>" ? f.dir.File("absolute.log")
                                                 : c.logFile;
    f.log.Window().SetText("line 1\r\nline 2\r\n");
    ASSERT_TRUE(f.log.SaveLogToFile(logFile)) << c.logFile;
    ASSERT_TRUE(f.log.SaveLogToFile(logFile)) << c.logFile;
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(f.dir.path()))
      written.push_back(entry.path().filename().string());
    if (c.writtenName.empty()) {
      EXPECT_TRUE(written.empty()) << c.logFile;
      continue;
    }
    EXPECT_EQ(written, std::vector<std::string>{c.writtenName}) << c.logFile;
    EXPECT_EQ(ReadBytes(f.dir.File(c.writtenName)),
              "line 1\r\nline 2\r\n\r\nline 1\r\nline 2\r\n\r\n")
        << c.logFile;
  }
}

TEST(MessageLogTest, SaveLogToFileWritesCrLfAndReportsFailures) {
  LogFixture f;
  f.log.Window().SetText("bare\nline ends\r\n");
  ASSERT_TRUE(f.log.LogMessage("logged", true));
  // The log saves its own copy, whatever the window shows by now.
  f.window.SetText("changed by the window");
  ASSERT_TRUE(f.log.SaveLogToFile(""));
  EXPECT_EQ(ReadBytes(f.log.FixedLogFile()), "bare\r\nline ends\r\nlogged\r\n\r\n");

  // Files that cannot be written name themselves; a line that could not be collected waits.
  const std::string unreachable = f.dir.File("no-such-folder/run.log");
  Status failed = f.log.SaveLogToFile(unreachable);
  EXPECT_NE(failed.message().find(unreachable), std::string::npos) << failed.message();
  MessageLog collecting(f.window, unreachable, f.dir.File("Pelvane.log"));
  collecting.SetRefreshLogWindow(0);
  failed = collecting.LogMessage("kept", true);
  EXPECT_NE(failed.message().find(unreachable), std::string::npos) << failed.message();
  EXPECT_EQ(collecting.PendingLogText(), "kept");
}

}  // namespace
}  // namespace pelvane::engine
