// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/AppendStep.h"
#include "engine/fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;
using fakes::Lines;

constexpr char kKeywordQuestion[] =
    "yesnocancel: The Pelvane Tool | You have selected Add Timestamp Automatically and embedded "
    "{Date} and/or {Time} keywords in text. Do you want to include both? (Click Yes to include "
    "both, No to keep keywords or cancel to end process)";
constexpr char kTimeQuestion[] =
    "input: Remote Server Name for SRV1 process. | Enter the Server to query for the Timestamp "
    "(Blank = Use Local System Time): | ";

/// A run on server SRV1 that appends `text` to `appendToFile`, timed by `getTimeFrom`.
void Configure(FakeRun& f, const std::string& appendToFile, const std::string& getTimeFrom,
               const std::string& text) {
  f.OnServer("SRV1",
             {{"AppendToFile", appendToFile}, {"CopyToLogin", "fsuser"}, {"CopyToPW", "Pa55"}});
  if (!getTimeFrom.empty()) f.OnServer("SRV1", {{"GetTimeFrom", getTimeFrom}});
  f.inputs.appendTextText = text;
  f.clock.time = 1700000000;
}

TEST(AppendStepTest, NetworkFileTakesItsClockFromItsMachine) {
  for (const std::string path : {"\\\\APPSRV\\logs\\change.log", "//APPSRV/logs/change.log"}) {
    SCOPED_TRACE(path);
    FakeRun f;
    Configure(f, path, "", "Deployed");
    f.inputs.addTimeStamp = true;

    EXPECT_EQ(RunAppendStep(f.run), StepEnd::kContinue);

    EXPECT_EQ(f.store.GetINIValue("SRV1", "GetTimeFrom"), "APPSRV");
    EXPECT_TRUE(f.host.events.empty());
    EXPECT_EQ(f.clock.asked, Lines{"APPSRV"});
    EXPECT_EQ(f.shares.connected, Lines{path.substr(0, path.size() - 11)});
    EXPECT_EQ(f.shares.credentials, Lines{"fsuser:Pa55"});
    ASSERT_EQ(f.shares.appended.size(), 1u);
    EXPECT_EQ(f.shares.appended[0].first, "/mnt/share/change.log");
    EXPECT_EQ(f.shares.appended[0].second, "T\tDeployed");
    EXPECT_EQ(f.LogLines(), (Lines{"", "T, Text appended to change.log --> SUCCESSFUL."}));
    EXPECT_EQ(f.shares.disconnected, Lines{"/mnt/share"});
    EXPECT_EQ(f.shares.disconnectForced, std::vector<bool>{false});
    EXPECT_EQ(f.sleeper.pauses, std::vector<int>{1500});
  }
}

TEST(AppendStepTest, LocalFileAsksForTheClockAndStoresTheAnswer) {
  struct Case {
    std::optional<std::string> answer;
    std::string stored;
    Lines clockAsked;
  };
  for (const Case& c :
       {Case{std::string("  "), "", {}}, Case{std::string("TIMESRV"), "TIMESRV", {"TIMESRV"}}}) {
    FakeRun f;
    Configure(f, "C:\\Logs\\change.log", "", "Deployed");
    f.host.textAnswers = {c.answer};

    RunAppendStep(f.run);

    EXPECT_EQ(f.host.events, Lines{kTimeQuestion});
    EXPECT_EQ(f.clock.asked, c.clockAsked);
    // The key is written even when empty, so the question comes back next time.
    const std::optional<std::string_view> stored = f.store.Snapshot()->Find("SRV1", "GetTimeFrom");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, c.stored);
    EXPECT_TRUE(f.shares.connected.empty());
    ASSERT_EQ(f.shares.appended.size(), 1u);
    EXPECT_EQ(f.shares.appended[0].first, "C:\\Logs\\change.log");
  }
}

TEST(AppendStepTest, KeywordsAndTheTimestampBox) {
  struct Case {
    std::string text;
    bool box;
    std::optional<Answer> answer;  // none: no question expected
    std::string written;
    bool boxAfter;
  };
  const std::string keywords = "Deployed {Date} at {Time}";
  for (const Case& c : {
           Case{keywords, true, Answer::kYes, "D H\tDeployed D at H", true},
           Case{keywords, true, Answer::kNo, "Deployed D at H", false},
           Case{keywords, false, std::nullopt, "Deployed D at H", false},
           Case{"Deployed {date} at {TIME}", true, std::nullopt, "D H\tDeployed {date} at {TIME}",
                true},
       }) {
    SCOPED_TRACE(c.text);
    FakeRun f;
    Configure(f, "C:\\Logs\\change.log", "CLOCKSRV", c.text);
    f.state.DateTimeFormat = "\"D\" \"H\"";
    f.inputs.addTimeStamp = c.box;
    if (c.answer) f.host.answers = {*c.answer};

    EXPECT_EQ(RunAppendStep(f.run), StepEnd::kContinue);

    EXPECT_EQ(f.host.events, c.answer ? Lines{kKeywordQuestion} : Lines{});
    ASSERT_EQ(f.shares.appended.size(), 1u);
    EXPECT_EQ(f.shares.appended[0].second, c.written);
    EXPECT_EQ(f.inputs.addTimeStamp, c.boxAfter);
    EXPECT_EQ(f.host.clearAddTimeStampCalls, c.box && !c.boxAfter ? 1 : 0);
  }
}

TEST(AppendStepTest, NoAnswerIsNotAskedAgainAndCancelEndsTheRun) {
  FakeRun f;
  Configure(f, "C:\\Logs\\change.log", "CLOCKSRV", "{Date}");
  f.state.DateTimeFormat = "\"D\" \"H\"";
  f.inputs.addTimeStamp = true;
  f.host.answers = {Answer::kNo};
  RunAppendStep(f.run);
  RunAppendStep(f.run);
  EXPECT_EQ(f.host.events, Lines{kKeywordQuestion});
  EXPECT_EQ(f.shares.appended.size(), 2u);

  FakeRun cancelled;
  Configure(cancelled, "\\\\APPSRV\\logs\\change.log", "", "{Time}");
  cancelled.inputs.addTimeStamp = true;
  cancelled.host.answers = {Answer::kCancel};
  EXPECT_EQ(RunAppendStep(cancelled.run), StepEnd::kEndRun);
  EXPECT_EQ(cancelled.LogLines(), (Lines{"", "Processed canceled by user."}));
  EXPECT_TRUE(cancelled.shares.connected.empty());
  EXPECT_TRUE(cancelled.shares.appended.empty());
}

TEST(AppendStepTest, TheStampAndWhatIsWritten) {
  const std::string general = "5, Invalid procedure call or argument occured in Pelvane.";
  const std::string noClock =
      "ERROR while attempting to retrieve time from Remote Server, GONE.  Server does not exist or "
      "access has not been granted, check server name and try again.";
  struct Case {
    std::string getTimeFrom;  // GONE: the clock cannot be read
    std::string pattern;
    bool box;
    std::string text;
    std::string written;
    Lines events;
    std::string failure;  // the step's reason; empty when it did not fail
  };
  const Lines box = {"message: The Pelvane Tool | " + general};
  const Case cases[] = {
      // An unreadable clock leaves the stamp empty; the entry is written without the time.
      {"GONE", "\"D\" \"H\"", false, "{Date}|{Time}", "|", {}, noClock},
      {"GONE", "\"D\" \"H\"", true, "Deployed", "\tDeployed", {}, noClock},
      // 2023-11-14 22:13:20 UTC on a machine five hours behind UTC: its own local time.
      {"NYSRV", "yyyy-mm-dd hh:nn:ss", true, "Deployed", "2023-11-14 17:13:20\tDeployed", {}, ""},
      // A pattern without a blank cannot be cut into date and time.
      {"CLOCKSRV", "\"T\"", false, "{Date}|{Time}", "|T", box, general},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.getTimeFrom + " " + c.text);
    FakeRun f;
    Configure(f, "C:\\Logs\\change.log", c.getTimeFrom, c.text);
    if (c.getTimeFrom == "GONE") f.clock.time.reset();
    f.clock.minutesWest = 300;
    f.state.DateTimeFormat = c.pattern;
    f.inputs.addTimeStamp = c.box;
    f.log.SetRefreshLogWindow(0);  // the clock's error goes to the window even so

    RunAppendStep(f.run);

    ASSERT_EQ(f.shares.appended.size(), 1u);
    EXPECT_EQ(f.shares.appended[0].second, c.written);
    EXPECT_EQ(f.host.events, c.events);
    EXPECT_EQ(f.run.stepFailure, c.failure);
    EXPECT_EQ(f.run.anyFailure, !c.failure.empty());
    EXPECT_EQ(f.host.window.Text(), c.getTimeFrom == "GONE" ? noClock + "\r\n" : "");
  }
}

TEST(AppendStepTest, WhatMakesTheStepUnsuccessful) {
  const std::string share = "\\\\APPSRV\\logs\\change.log", at = "Path: \\\\APPSRV\\logs. ";
  const std::string denied = "Access denied to \\\\APPSRV\\logs. Check username and password.";
  const std::string verdict = "Server: SRV1, Append To --> UNSUCCESSFUL.";
  const std::string invalid = "critical: The Pelvane Tool | Invalid password for user, fsuser, " +
                              at + "Verify password and test manually.";
  const std::string box = "message: The Pelvane Tool | Error opening file, " + share +
                          ", for Append.  Check to make sure file is available and try again.";
  const std::string notOpened =
      "Append Text Failed, could not open file, " + share + ", for Append.  Server: SRV1.";
  const std::string pathNotFound =
      "message: The Pelvane Tool | 76, Path not found occured in Pelvane.";
  const std::string notConfigured =
      "*** Append To file is not configured.  Enter a path and filename in Configure Servers / "
      "Copy File To.";
  const std::string stuck =
      "*** Could not disconnect drive, /mnt/share, used for Append To.  "
      "Files may be open, check manually. ***";
  const Status ok = Status::Ok(), bad = Status::Error("Bad file name or number", 52),
               gone = Status::Error("Path not found", 76);
  const std::string appended = "T, Text appended to change.log --> SUCCESSFUL.";
  struct Case {
    std::string file;
    int connect;
    Status append;
    bool disconnects;
    Lines lines, events;
    std::string failure;  // the step's reason, when it has one
  };
  const Case cases[] = {
      {share, connect_code::kAccessDenied, ok, true, {"", denied, verdict}, {}, denied},
      {share, connect_code::kInvalidPassword, ok, true, {"", verdict}, {invalid}, verdict},
      {share, 0, bad, true, {"", notOpened}, {box}, ""},
      {share, 0, gone, true, {"", notOpened}, {pathNotFound, box}, ""},
      {"", 0, ok, true, {"", notConfigured}, {}, ""},
      {share, 0, ok, false, {"", appended, stuck}, {}, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeRun f;
    Configure(f, c.file, "APPSRV", "x");
    f.shares.nextConnection = {c.connect, c.connect ? "" : "/mnt/share", ""};
    f.shares.appendResult = c.append;
    f.shares.disconnectResult = c.disconnects;
    EXPECT_EQ(RunAppendStep(f.run), StepEnd::kContinue);
    EXPECT_EQ(f.LogLines(), c.lines);
    EXPECT_EQ(f.host.events, c.events);
    if (!c.failure.empty()) {
      EXPECT_EQ(f.run.stepFailure, c.failure);
    }
    EXPECT_EQ(f.shares.disconnected.empty(), c.connect != 0 || c.file.empty());
  }
}

}  // namespace
}  // namespace pelvane::engine
