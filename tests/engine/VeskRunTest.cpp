// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/ReportRecorder.h"
#include "engine/RunReportColumns.h"
#include "engine/VeskRun.h"
#include "fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::Barrier;
using fakes::FakeRun;
using fakes::Joined;
using fakes::kSeparator;
using fakes::Lines;
using fakes::ProcessCall;
using fakes::ToolBehaviour;
using Kind = RunOutcome::Kind;
using std::filesystem::exists;

const char kFailingOutput[] =
    "Server: Msg 2714, Level 16, State 5, Line 1\r\nThere is already an "
    "object named 'p' in the database.\r\n";

Lines Succeeded(const std::string& server) {
  return {kSeparator, "T, Server: " + server + ".", "Vesk Process for deploy.sql --> SUCCESSFUL."};
}

Lines Complete(const std::string& server) {
  return {server + ": Process complete.", kSeparator, ""};
}

/// The log of servers whose script succeeded, one after another.
Lines Clean(std::initializer_list<const char*> servers) {
  Lines all;
  for (const char* server : servers) all = Joined({all, Succeeded(server), Complete(server)});
  return all;
}

/// How many lines start with `prefix`.
int CountStarting(const Lines& lines, const std::string& prefix) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.rfind(prefix, 0) == 0;
  }));
}

/// The servers of ServersToRun, each with a local copy folder of its own (copyN).
struct VeskFixture : FakeRun {
  int16_t next = 1;

  explicit VeskFixture(int servers = 3) {
    ServersToRun(servers);
    for (int i = 1; i <= servers; ++i)
      store.SaveINIValues("SRV" + std::to_string(i), "CopyPath",
                          dir.File("copy" + std::to_string(i)));
  }

  /// The tool reports a server error on these servers.
  void FailOn(std::vector<std::string> servers) {
    processes.behaviour = [servers](const ProcessCall& call) {
      ToolBehaviour b;
      for (const std::string& s : servers) {
        if (call.Option("-S") == s) b.output = kFailingOutput;
      }
      return b;
    };
  }
  void Policy(const char* messagesTo, const char* whenOccurs) {
    store.SaveINIValues("Errors", "MessagesTo", messagesTo);
    store.SaveINIValues("Errors", "WhenOccurs", whenOccurs);
  }
  void TickCopy() {
    inputs.copyFile = true;
    inputs.copyFileText = dir.File("deploy.txt");
  }

  RunOutcome Run(int startIndex) {
    RunOutcome outcome = RunVesk(startIndex, run);
    next = outcome.NextServerIndex;
    return outcome;
  }

  /// The servers whose query tool started, sorted (SRV1..SRV9 sort in list order).
  Lines ServersStarted() const {
    Lines servers;
    for (const ProcessCall& call : processes.calls) servers.push_back(call.Option("-S"));
    std::sort(servers.begin(), servers.end());
    return servers;
  }
  /// The copy folders that received a file, in order.
  Lines CopyFolders() const {
    Lines folders;
    for (const auto& copy : shares.copies) {
      folders.push_back(std::filesystem::path(copy.second).parent_path().filename().string());
    }
    return folders;
  }
  std::string LogFile() const { return pelvane::testing::ReadBytes(state.LogFile); }
};

TEST(VeskRunTest, ValidationsRefuseTheRun) {
  struct Case {
    std::string copyFileText;
    int servers;
    std::string message;
  } cases[] = {{"", 2,
                "Copy File To Server selected but no Copy File has been defined.  Select a file "
                "to Copy and Try Again."},
               {"/a.txt", 0, "You must select at least one server."}};
  for (const Case& c : cases) {
    VeskFixture f(c.servers);
    f.inputs.copyFile = true;
    f.inputs.copyFileText = c.copyFileText;
    EXPECT_EQ(f.Run(f.next = 2).kind, Kind::kRefused);
    EXPECT_EQ(f.host.events, Lines{"message: The Pelvane Tool | " + c.message});
    EXPECT_TRUE(f.processes.calls.empty());
    EXPECT_EQ(f.next, 2);
    EXPECT_FALSE(exists(f.state.LogFile));
  }
}

TEST(VeskRunTest, CompletedRunLogsEachServerAndSavesTheLog) {
  // Live, each server is marked while it is processed; deferred, the log appears at the end.
  for (int16_t refresh : {1, 0}) {
    SCOPED_TRACE(refresh);
    VeskFixture f(2);
    f.store.SaveINIValues("Pelvane", "RefreshLogWindow", std::to_string(refresh));
    f.next = 5;
    Lines seenDuringRun;
    f.processes.behaviour = [&f, &seenDuringRun](const ProcessCall&) {
      seenDuringRun.push_back(f.host.window.Text());
      return ToolBehaviour{};
    };
    RunOutcome outcome = f.Run(1);
    EXPECT_EQ(outcome.kind, Kind::kCompleted);
    EXPECT_FALSE(outcome.anyFailure);
    EXPECT_EQ(outcome.RefreshLogWindow, refresh);
    EXPECT_EQ(f.LogLines(), Clean({"SRV1", "SRV2"}));
    EXPECT_EQ(seenDuringRun[1].empty(), refresh == 0);
    EXPECT_EQ(f.LogFile(), f.host.window.Text() + "\r\n");
    using Sets = std::vector<std::vector<int>>;
    EXPECT_EQ(f.host.marked, (refresh ? Sets{{1}, {}, {2}, {}} : Sets{}));
    EXPECT_TRUE(f.log.TempErrorFile().empty());  // the collected lines went with the run
    EXPECT_EQ(f.host.captions, Lines{"Vesk SQL"});
    EXPECT_EQ(f.next, 1);
  }
}

TEST(VeskRunTest, BreakStopsAfterTheServerThatBrokeAndTheNextPressContinues) {
  struct Case {
    std::string failing;
    std::string caption;
    int16_t next;
    Lines started;
    Lines copied;
  };
  const Case cases[] = {
      {"SRV2", "Continue ...", 3, {"SRV1", "SRV2"}, {"copy1", "copy2"}},
      {"SRV3", "Vesk SQL", 4, {"SRV1", "SRV2", "SRV3"}, {"copy1", "copy2", "copy3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing);
    VeskFixture f;
    f.Policy("Window", "2");
    f.TickCopy();
    f.FailOn({c.failing});
    RunOutcome outcome = f.Run(1);
    EXPECT_EQ(outcome.kind, Kind::kStopped);
    EXPECT_TRUE(outcome.anyFailure);
    EXPECT_EQ(outcome.WhenOccurs, 2);  // the value the run re-read goes back to the dialog
    EXPECT_EQ(f.host.captions, Lines{c.caption});
    EXPECT_EQ(f.next, c.next);
    EXPECT_EQ(f.ServersStarted(), c.started);
    EXPECT_EQ(f.CopyFolders(), c.copied);

    Lines lines = f.LogLines();
    auto error = std::find(lines.begin(), lines.end(), "Error in Vesk Process: ");
    ASSERT_NE(error, lines.end());
    // The details, then straight to the copy step: no report line for the script.
    EXPECT_EQ(Lines(error + 1, error + 5), (Lines{"Server: [" + c.failing + "] @ T",
                                                  "Server: Msg 2714", "Level 16", "State 5"}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "T, Server: " + c.failing + "."), 0);
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()), Complete(c.failing));
    EXPECT_EQ(f.LogFile(), f.host.window.Text() + "\r\n");
    if (c.next > 3) continue;

    f.log.ClearWindow();  // the dialog empties the window before each press
    f.FailOn({});
    EXPECT_EQ(f.Run(f.next).kind, Kind::kCompleted);
    EXPECT_EQ(f.LogLines(), Joined({Succeeded("SRV3"),
                                    {"", "T, File, " + f.dir.File("deploy.txt") + ", copied to " +
                                             f.dir.File("copy3/deploy.txt") + ", --> SUCCESSFUL."},
                                    Complete("SRV3")}));
    EXPECT_EQ(f.host.captions, (Lines{"Continue ...", "Vesk SQL"}));
    EXPECT_EQ(f.next, 1);
  }
}

TEST(VeskRunTest, WindowWithEndOnErrorEndsAtOnceAndAnEmptyOrBadStoredValueKeepsTheLastOne) {
  struct Case {
    const char* stored;
    int16_t before;  // the value the program held before the run
    Lines events;
  };
  for (const Case& c :
       {Case{"3", 1, {}}, Case{"", 3, {}},
        Case{"many", 3, {"message: The Pelvane Tool | 13, Type mismatch occured in Pelvane."}}}) {
    SCOPED_TRACE(c.stored);
    VeskFixture f;
    f.Policy("Window", c.stored);
    f.state.WhenOccurs = c.before;
    f.TickCopy();
    f.FailOn({"SRV2"});
    f.next = 2;
    RunOutcome outcome = f.Run(2);
    EXPECT_EQ(outcome.kind, Kind::kEndedEarly);
    EXPECT_TRUE(outcome.anyFailure);
    EXPECT_EQ(f.LogLines(), (Lines{kSeparator, "Error in Vesk Process: ", "", "Server: [SRV2] @ T",
                                   "T, Server: SRV2"}));
    EXPECT_EQ(f.host.events, c.events);
    EXPECT_TRUE(f.shares.copies.empty());
    EXPECT_FALSE(exists(f.state.LogFile));
    // Stays on the server that failed.
    EXPECT_EQ(f.host.marked, std::vector<std::vector<int>>{{2}});
    EXPECT_EQ(f.next, 2);
  }
}

TEST(VeskRunTest, SimpleScriptModeRunsOnlyTheQuery) {
  VeskFixture f(1);
  f.TickCopy();
  f.inputs.appendText = f.inputs.restartServices = f.inputs.simpleScriptMode = true;
  f.inputs.simpleScriptText = "select 1";
  f.sql.queryResults.insert_or_assign("SRV1", Status::Error("Login failed.", 18456));
  EXPECT_EQ(f.Run(1).kind, Kind::kCompleted);
  EXPECT_EQ(f.LogLines(), Joined({{kSeparator, "SRV1: Simple Script Results",
                                   "Simple Script FAILED on Server: SRV1. Login failed."},
                                  Complete("SRV1")}));
  EXPECT_TRUE(f.processes.calls.empty() && f.sql.checkedLogins.empty() && f.shares.copies.empty() &&
              f.shares.appended.empty() && f.services.requests.empty());
}

TEST(VeskRunTest, AMissingQueryToolIsToldOnce) {
  // Going on with the copy step, the run remembers the missing tool for the servers after;
  // side by side, the servers at their scripts when it was found stop there.
  const ToolBehaviour missing{{ProcessOutcome::Kind::kNotFound, 0, "no isqlw"}, std::nullopt};
  struct Case {
    int workers;
    bool goOn;
  };
  for (const Case& c : {Case{1, false}, Case{4, false}, Case{1, true}}) {
    SCOPED_TRACE(std::to_string(c.workers) + (c.goOn ? " going on" : ""));
    VeskFixture f(4);
    f.inputs.parallelServers = c.workers;
    if (c.goOn) f.TickCopy();
    f.host.answers = {Answer::kYes};
    Barrier allMissing(c.workers);
    f.processes.behaviour = [&](const ProcessCall& call) {
      if (c.goOn) return call.Option("-S") == "SRV1" ? missing : ToolBehaviour{};
      allMissing.ArriveAndWait();
      return missing;
    };
    EXPECT_EQ(f.Run(1).kind, c.goOn ? Kind::kCompleted : Kind::kEndedEarly);
    EXPECT_EQ(f.host.events.size(), 1u);
    EXPECT_EQ(f.ServersStarted().size(), c.goOn ? 4u : static_cast<size_t>(c.workers));
    const Lines lines = f.LogLines();
    EXPECT_EQ(CountStarting(lines, std::string(30, '*') + " Microsoft Query Analyzer"), 1);
    EXPECT_EQ(CountStarting(lines, "Vesk process for deploy.sql --> UNSUCCESSFUL."),
              c.goOn ? 4 : 0);
    EXPECT_EQ(CountStarting(lines, "Run ended; no further scripts"), c.goOn ? 0 : c.workers - 1);
    EXPECT_EQ(exists(f.state.LogFile), c.goOn);
  }
}

TEST(VeskRunLogFileTest, TheFallbackLogKeepsEveryRunsLog) {
  // With no log file named, runs append to the fixed log file, which the query tool's output
  // must never overwrite: the second run's scripts leave the first run's log in place.
  VeskFixture f(1);
  f.state.LogFile.clear();
  ASSERT_EQ(f.Run(1).kind, Kind::kCompleted);
  std::string first = pelvane::testing::ReadBytes(f.log.FixedLogFile());
  ASSERT_NE(first.find("SUCCESSFUL."), std::string::npos);
  f.log.ClearWindow();
  ASSERT_EQ(f.Run(1).kind, Kind::kCompleted);
  std::string both = pelvane::testing::ReadBytes(f.log.FixedLogFile());
  EXPECT_EQ(both.substr(0, first.size()), first);
  EXPECT_GT(both.size(), first.size());
}

TEST(VeskRunControlTest, AnEscapedExceptionIsTheRunsGeneralErrorAndTheRunGoesOn) {
  VeskFixture f;
  f.processes.behaviour = [](const ProcessCall& call) {
    if (call.Option("-S") == "SRV2") throw std::runtime_error("launcher broke");
    return ToolBehaviour{};
  };
  ReportRecorder recorder(ReportColumnsFor(f.inputs), f.inputs.processServers);
  f.run.recorder = &recorder;
  RunOutcome outcome = f.Run(1);
  const RunReport report = recorder.Snapshot();
  EXPECT_EQ(report.rows[1].error, "51, launcher broke occured in Pelvane.");
  EXPECT_EQ(FailedServers(report), (Lines{"SRV2"}));
  EXPECT_EQ(outcome.kind, Kind::kCompleted);
  EXPECT_TRUE(outcome.anyFailure);
  EXPECT_EQ(f.host.events,
            Lines{"message: The Pelvane Tool | 51, launcher broke occured in Pelvane."});
  EXPECT_EQ(CountStarting(f.LogLines(), "SRV3: Process complete."), 1);
}

/// The servers processed up to `workers` at once (unset: the program setting, which is 1).
struct SideBySide : VeskFixture {
  SideBySide(int servers, std::optional<int> workers) : VeskFixture(servers) {
    inputs.parallelServers = workers;
  }
  /// Each server's tool waits until the one after it has finished: they finish in reverse.
  void FinishInReverse(int servers, std::vector<std::string>& finished) {
    allStarted = std::make_unique<Barrier>(servers);
    processes.behaviour = [this, servers, &finished](const ProcessCall& call) {
      allStarted->ArriveAndWait();  // every server is in progress before any finishes
      const int i = std::stoi(call.Option("-S").substr(3));
      std::unique_lock<std::mutex> lock(order);
      turn.wait(lock, [&] { return static_cast<int>(finished.size()) == servers - i; });
      finished.push_back(call.Option("-S"));
      turn.notify_all();
      ToolBehaviour b;
      if (call.Option("-S") == failing) b.output = kFailingOutput;
      return b;
    };
  }
  /// The append step writes `text` stamped by a clock; SRV1..SRVn have a file to append to.
  void StampedAppend(const std::string& text, int servers) {
    inputs.appendText = true;
    inputs.appendTextText = text;
    inputs.addTimeStamp = true;
    state.DateTimeFormat = "\"T\" hh";
    for (int i = 1; i <= servers; ++i) {
      const std::string n = std::to_string(i);
      store.SaveINIValues("SRV" + n, "AppendToFile", dir.File("append" + n));
      store.SaveINIValues("SRV" + n, "GetTimeFrom", "clock");
    }
    clock.time = 0;
  }
  std::unique_ptr<Barrier> allStarted;
  std::mutex order;
  std::condition_variable turn;
  std::string failing;
};

TEST(VeskRunSideBySideTest, TheLogIsTheSequentialLogWhicheverServerFinishesFirst) {
  struct Case {
    const char* messagesTo;
    const char* whenOccurs;
    bool copy;
    bool unreadableClock;  // the append step writes its reason straight into the window
  };
  const Case cases[] = {
      {"Window", "1", true, false}, {"File", "3", false, false}, {"Window", "1", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.messagesTo) + " " + c.whenOccurs);
    auto run = [&c](std::optional<int> workers, bool reverse) {
      auto f = std::make_unique<SideBySide>(4, workers);
      f->Policy(c.messagesTo, c.whenOccurs);
      if (c.copy) f->TickCopy();
      if (c.unreadableClock) {
        f->StampedAppend("deployed", 4);
        f->clock.time.reset();
      }
      f->failing = "SRV3";
      std::vector<std::string> finished;
      if (reverse) {
        f->FinishInReverse(4, finished);
      } else {
        f->FailOn({"SRV3"});
      }
      EXPECT_EQ(f->Run(1).kind, Kind::kCompleted);
      if (reverse) {
        EXPECT_EQ(finished, (Lines{"SRV4", "SRV3", "SRV2", "SRV1"}));
      }
      return f;
    };
    auto sequential = run(std::nullopt, false);
    auto four = run(4, true);
    // Each run has a folder of its own, named in the copy step's lines.
    auto text = [](const SideBySide& f, const std::string& log) {
      std::string folder = f.dir.File("");
      std::string plain = log;
      for (size_t at = plain.find(folder); at != std::string::npos; at = plain.find(folder, at))
        plain.replace(at, folder.size(), "DIR/");
      return plain;
    };
    const std::string expected = text(*sequential, sequential->host.window.Text());
    ASSERT_NE(expected.find("SRV4: Process complete."), std::string::npos);
    ASSERT_EQ(expected.find("ERROR while attempting") != std::string::npos, c.unreadableClock);
    EXPECT_EQ(text(*four, four->host.window.Text()), expected);
    EXPECT_EQ(text(*four, four->LogFile()), expected + "\r\n");
    EXPECT_EQ(four->host.events, sequential->host.events);
    EXPECT_EQ(four->host.captions, sequential->host.captions);

    // All four at once were marked, every set in list order, cleared at the end.
    const auto& marked = four->host.marked;
    ASSERT_FALSE(marked.empty());
    EXPECT_NE(std::find(marked.begin(), marked.end(), std::vector<int>{1, 2, 3, 4}), marked.end());
    for (const auto& set : marked) EXPECT_TRUE(std::is_sorted(set.begin(), set.end()));
    EXPECT_TRUE(marked.back().empty());
  }
}

TEST(VeskRunSideBySideTest, EachServerUsesItsOwnLoginPasswordAndDatabase) {
  SideBySide f(8, 4);
  Barrier allAtOnce(4);
  f.processes.behaviour = [&allAtOnce](const ProcessCall& call) {
    if (call.Option("-S") <= "SRV4") allAtOnce.ArriveAndWait();
    return ToolBehaviour{};
  };
  ASSERT_EQ(f.Run(1).kind, Kind::kCompleted);
  ASSERT_EQ(f.processes.calls.size(), 8u);
  for (const ProcessCall& call : f.processes.calls) {
    const std::string n = call.Option("-S").substr(3);
    EXPECT_EQ(call.Option("-U"), "login" + n);
    EXPECT_EQ(call.Option("-d"), "db" + n);
    EXPECT_EQ(call.environment,
              (std::vector<std::pair<std::string, std::string>>{{"SQLCMDPASSWORD", "pw" + n}}));
  }
  ASSERT_EQ(f.sql.checkedLogins.size(), 8u);
  for (const SqlTarget& t : f.sql.checkedLogins)
    EXPECT_EQ(t.login + " " + t.password,
              "login" + t.server.substr(3) + " pw" + t.server.substr(3));
}

TEST(VeskRunSideBySideTest, BreakAndEndHandOutNoFurtherServer) {
  struct Case {
    const char* whenOccurs;
    Kind kind;
  };
  for (const Case& c : {Case{"2", Kind::kStopped}, Case{"3", Kind::kEndedEarly}}) {
    SCOPED_TRACE(c.whenOccurs);
    SideBySide f(8, 4);
    f.Policy("Window", c.whenOccurs);
    Barrier firstFour(4);
    f.processes.behaviour = [&firstFour](const ProcessCall& call) {
      ToolBehaviour b;
      if (call.Option("-S") <= "SRV4") firstFour.ArriveAndWait();
      if (call.Option("-S") == "SRV2") b.output = kFailingOutput;
      return b;
    };
    f.next = 1;
    RunOutcome outcome = f.Run(1);
    EXPECT_EQ(outcome.kind, c.kind);
    // The servers started are the first of the list; the ones still running when SRV2 broke
    // finished and were logged; no server after the first one not handed out was touched.
    const Lines sorted = f.ServersStarted();
    const size_t count = sorted.size();
    ASSERT_GE(count, 4u);
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(sorted[i], "SRV" + std::to_string(i + 1));
    EXPECT_EQ(CountStarting(f.LogLines(), "T, Server: SRV1."), 1);
    EXPECT_EQ(CountStarting(f.LogLines(), "T, Server: SRV" + std::to_string(count) + "."), 1);
    if (c.kind == Kind::kStopped) {
      EXPECT_EQ(f.next, static_cast<int16_t>(count + 1));
      EXPECT_EQ(f.host.captions, Lines{count < 8 ? "Continue ..." : "Vesk SQL"});
      EXPECT_EQ(f.LogFile(), f.host.window.Text() + "\r\n");
    } else {
      EXPECT_EQ(f.next, 1);
      EXPECT_FALSE(exists(f.state.LogFile));
      EXPECT_TRUE(f.host.captions.empty());
      EXPECT_EQ(f.host.marked.back(), std::vector<int>{2});  // the server that ended the run
    }
  }
}

/// Calls `tell` with the position of each server whose script has its verdict, or that finished.
class Tell : public NullRecorder {
 public:
  Tell(std::function<void(int)> scriptDone, std::function<void(int)> finished)
      : scriptDone_(std::move(scriptDone)), finished_(std::move(finished)) {}
  void ScriptDone(int position, size_t, const ScriptCell&) override { scriptDone_(position); }
  void ServerFinished(int position, double) override { finished_(position); }

 private:
  std::function<void(int)> scriptDone_, finished_;
};

TEST(VeskRunSideBySideTest, AfterAnEndNoServerStartsAnotherScriptOrStep) {
  // SRV1's script fails and ends the run while each other server is still in its first script,
  // or has just finished it: its second script waits for SRV1's verdict and never starts.
  for (bool firstDone : {false, true}) {
    SCOPED_TRACE(firstDone ? "first script done" : "in the script");
    SideBySide f(4, 4);
    f.Policy("Window", "3");
    f.TickCopy();
    f.inputs.scriptText = "deploy.sql|second.sql";
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
    int othersDone = 0;
    Tell recorder(
        [&](int position) {
          std::lock_guard<std::mutex> lock(mutex);
          ended = ended || position == 1;
          if (position != 1) ++othersDone;
          changed.notify_all();
        },
        [](int) {});
    f.run.recorder = &recorder;
    Barrier othersThere(4);
    f.processes.behaviour = [&](const ProcessCall& call) {
      ToolBehaviour b;
      std::unique_lock<std::mutex> lock(mutex, std::defer_lock);
      // Every server is in its first script before any script ends.
      othersThere.ArriveAndWait();
      if (call.Option("-S") == "SRV1") {
        if (firstDone) {
          lock.lock();
          changed.wait_for(lock, std::chrono::seconds(60), [&] { return othersDone == 3; });
        }
        b.output = kFailingOutput;
      } else if (!firstDone) {
        lock.lock();
        changed.wait_for(lock, std::chrono::seconds(60), [&] { return ended; });
      }
      return b;
    };
    EXPECT_EQ(f.Run(1).kind, Kind::kEndedEarly);
    EXPECT_TRUE(ended);
    EXPECT_EQ(f.ServersStarted(), (Lines{"SRV1", "SRV2", "SRV3", "SRV4"}));
    for (const ProcessCall& call : f.processes.calls) EXPECT_EQ(call.Option("-i"), "deploy.sql");
    EXPECT_TRUE(f.shares.copies.empty());
    Lines expected{kSeparator, "Error in Vesk Process: ", "", "Server: [SRV1] @ T",
                   "T, Server: SRV1"};
    for (const char* server : {"SRV2", "SRV3", "SRV4"}) {
      expected = Joined(
          {expected,
           Succeeded(server),
           {std::string("Run ended; no further scripts or steps for Server: ") + server + "."}});
    }
    EXPECT_EQ(f.LogLines(), expected);
    EXPECT_EQ(f.host.marked.back(), std::vector<int>{1});  // the server that ended the run
    EXPECT_FALSE(exists(f.state.LogFile));
  }
}

TEST(VeskRunSideBySideTest, StopHandsOutNoFurtherServerAndContinueGoesOn) {
  for (int workers : {1, 2}) {
    // Pressed while the first `workers` servers work: each goes on only once SRV1 has seen them
    // all running and stopped.
    SCOPED_TRACE(workers);
    SideBySide f(4, workers);
    RunControl control;
    f.run.control = &control;
    Barrier allRunning(workers), pressed(workers);
    f.processes.behaviour = [&](const ProcessCall& call) {
      if (std::stoi(call.Option("-S").substr(3)) > workers) return ToolBehaviour{};
      allRunning.ArriveAndWait();
      if (call.Option("-S") == "SRV1") control.RequestStop();
      pressed.ArriveAndWait();
      return ToolBehaviour{};
    };
    const std::string last = "SRV" + std::to_string(workers);
    EXPECT_EQ(f.Run(1).kind, Kind::kStopped);
    EXPECT_EQ(f.next, workers + 1);
    EXPECT_EQ(f.host.captions, Lines{"Continue ..."});
    EXPECT_EQ(f.LogLines(), Joined({workers == 1 ? Clean({"SRV1"}) : Clean({"SRV1", "SRV2"}),
                                    {"Run stopped by the user after Server: " + last + "."}}));
    EXPECT_EQ(f.LogFile(), f.host.window.Text() + "\r\n");
    control.Reset();
    f.log.ClearWindow();
    EXPECT_EQ(f.Run(f.next).kind, Kind::kCompleted);
    EXPECT_EQ(f.processes.calls.size(), 4u);
    EXPECT_EQ(f.host.captions, (Lines{"Continue ...", "Vesk SQL"}));
    // A stop during the last server has nothing left to stop: the run completes.
    control.RequestStop();
    EXPECT_EQ(f.Run(4).kind, Kind::kCompleted);
    EXPECT_EQ(f.next, 1);
  }
}

TEST(VeskRunSideBySideTest, TheKeywordQuestionIsOneDecisionForTheRun) {
  struct Case {
    Answer answer;
    Kind kind;
    std::string appended;  // what every server that wrote its entry wrote
  };
  const Case cases[] = {{Answer::kNo, Kind::kCompleted, "on T"},
                        {Answer::kCancel, Kind::kEndedEarly, ""}};
  for (const Case& c : cases) {
    SideBySide f(4, 4);
    f.StampedAppend("on {Date}", 4);
    Barrier allAtOnce(4);
    // Every server comes to the question at about the same time.
    f.processes.behaviour = [&allAtOnce](const ProcessCall&) {
      allAtOnce.ArriveAndWait();
      return ToolBehaviour{};
    };
    f.host.answers = {c.answer, c.answer, c.answer, c.answer};
    RunOutcome outcome = f.Run(1);
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(f.host.events.size(), 1u);  // asked once, however many servers came to it
    EXPECT_EQ(f.host.clearAddTimeStampCalls, c.answer == Answer::kNo ? 1 : 0);
    EXPECT_EQ(f.inputs.addTimeStamp, c.answer != Answer::kNo);
    for (const auto& entry : f.shares.appended) EXPECT_EQ(entry.second, c.appended);
    if (c.answer == Answer::kCancel) {
      EXPECT_TRUE(f.shares.appended.empty());
      // A server at the question after the Cancel takes it; one that had not come to its
      // append step by then starts it no more.
      const Lines lines = f.LogLines();
      const int cancelled = CountStarting(lines, "Processed canceled by user.");
      const int stopped = CountStarting(lines, "Run ended; no further scripts or steps");
      EXPECT_GE(cancelled, 1);
      EXPECT_EQ(cancelled + stopped, 4);
    } else {
      EXPECT_EQ(f.shares.appended.size(), 4u);
    }
  }
}

TEST(VeskRunSideBySideTest, AServerWaitingForAnAnswerHoldsUpNoOther) {
  // SRV1's keyword question is answered only once SRV2, which asks nothing, has finished.
  SideBySide f(2, 2);
  f.inputs.scriptText.clear();
  f.StampedAppend("{Date}", 1);
  f.store.SaveINIValues("SRV2", "GetTimeFrom", "clock");
  f.host.answers = {Answer::kNo};
  std::promise<void> serverTwo;
  const std::shared_future<void> finished = serverTwo.get_future().share();
  bool serverTwoSeen = false;
  f.host.beforeAnswer = [&] {
    serverTwoSeen = finished.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  };
  Tell recorder([](int) {},
                [&serverTwo](int position) {
                  if (position == 2) serverTwo.set_value();
                });
  f.run.recorder = &recorder;
  EXPECT_EQ(f.Run(1).kind, Kind::kCompleted);
  EXPECT_TRUE(serverTwoSeen);
  EXPECT_EQ(f.host.events.size(), 1u);  // the question, asked once
}

// A step's failure reason reaches its report cell, one server at a time and side by side.
TEST(VeskRunSideBySideTest, ReportCellsCarryTheStepsReasons) {
  for (std::optional<int> workers : {std::optional<int>(), std::optional<int>(2)}) {
    SideBySide f(2, workers);
    f.inputs.scriptText.clear();
    f.TickCopy();
    f.inputs.appendText = true;
    f.inputs.appendTextText = "x";
    f.shares.copyResult = Status::Error("Access is denied.", 5);
    ReportRecorder recorder(ReportColumnsFor(f.inputs), f.inputs.processServers);
    f.run.recorder = &recorder;
    ASSERT_EQ(f.Run(1).kind, Kind::kCompleted);
    for (const ServerRow& row : recorder.Snapshot().rows) {
      SCOPED_TRACE(row.server);
      EXPECT_EQ(row.result, Verdict::kFailed);
      EXPECT_EQ(row.copy.detail, "Access is denied.");
      EXPECT_EQ(row.append.detail,
                "Append To file is not configured.  Enter a path and filename in Configure "
                "Servers / Copy File To.");
    }
  }
}

TEST(VeskRunSideBySideTest, AServerThatEndedTheRunIsNeverSucceeded) {
  for (std::optional<int> workers : {std::optional<int>(), std::optional<int>(2)}) {
    SideBySide f(2, workers);
    f.StampedAppend("{Date}", 1);
    f.host.answers = {Answer::kCancel};
    ReportRecorder recorder(ReportColumnsFor(f.inputs), f.inputs.processServers);
    f.run.recorder = &recorder;
    ASSERT_EQ(f.Run(1).kind, Kind::kEndedEarly);
    const ServerRow row = recorder.Snapshot().rows[0];
    EXPECT_EQ(row.scripts[0].verdict, Verdict::kSucceeded);
    EXPECT_EQ(row.append.verdict, Verdict::kNotRun);
    EXPECT_EQ(row.result, Verdict::kNotRun);
  }
}

}  // namespace
}  // namespace pelvane::engine
