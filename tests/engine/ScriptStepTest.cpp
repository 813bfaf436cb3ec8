// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/QueryToolFolder.h"
#include "engine/ScriptStep.h"
#include "fakes/Fakes.h"
#include "settings/FileLock.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;
using fakes::Joined;
using fakes::kSeparator;
using fakes::Lines;
using fakes::ProcessCall;
using fakes::ToolBehaviour;

const char kFailingOutput[] =
    "Server: Msg 208, Level 16, State 1, Line 1\r\nInvalid object name 'nope'.\r\n";
const Lines kFailingDetails = {
    "Server: [SRV1] @ T",         "Server: Msg 208", "Level 16", "State 1", "Line 1",
    "Invalid object name 'nope'."};
const char kToolMissingText[] =
    "The Pelvane Tool requires that Microsoft Query Analyzer be installed on this computer to "
    "vesk stored procedures.  Install Query Analyzer and try again.";
const char kBanner[] =
    "****************************** Microsoft Query Analyzer Not Installed "
    "******************************";

/// A run positioned on server SRV1, scripts a.sql and b.sql.
struct ScriptRunFixture : FakeRun {
  ScriptRunFixture() {
    run.server = {1, "SRV1", "sa", "Secret1", "pubs", "Window", 1, dir.File("bin") + "/"};
    inputs.scriptText = "a.sql|b.sql";
  }
  /// The tool fails a.sql with a server error and runs b.sql cleanly.
  void FailFirstScript() {
    processes.behaviour = [](const ProcessCall& call) {
      ToolBehaviour b;
      if (call.Option("-i") == "a.sql") b.output = kFailingOutput;
      return b;
    };
  }
};

const Lines kSucceededB = {kSeparator, "T, Server: SRV1.",
                           "Vesk Process for b.sql --> SUCCESSFUL."};
const Lines kSucceededA = {kSeparator, "T, Server: SRV1.",
                           "Vesk Process for a.sql --> SUCCESSFUL."};
const Lines kFailedReportA = {"T, Server: SRV1.", "Vesk process for a.sql --> UNSUCCESSFUL."};

TEST(ScriptStepTest, OutputJudgement) {
  struct Case {
    std::string fileText;
    bool failed;
  };
  const Case cases[] = {
      {"", false},
      {kFailingOutput, true},
      {"server: msg 208, level 16\r\n", true},
      {"Server: Msg 50000, Level 16\r\nDeploy SUCCESSFUL\r\n", false},
      {"Msg 208, Level 16, State 1, Server X, Line 1\r\n", false},
      {"Server:\r\nMsg 1\r\n", false},               // lines join without blanks: "Server:Msg 1"
      {"Server: M\r\nsg 1\r\n", true},               // and without separators: "Server: Msg 1"
      {"Server: Msg 1\r\nUNSUCCESSFUL\r\n", false},  // the word inside another counts too
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OutputShowsFailure(JoinOutputLines(c.fileText)), c.failed) << c.fileText;
  }
}

TEST(ScriptStepTest, DetailFieldsReadAsCommaSeparatedFields) {
  struct Case {
    std::string text;
    Lines fields;
  };
  const Case cases[] = {
      {"a,b\r\nc", {"a", "b", "c"}},
      {"\"one, two\",three", {"one, two", "three"}},
      {"  \"quoted\" tail,next", {"quoted", "next"}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"kept  ,", {"kept  ", ""}},
      {"\"open, never closed\r\nnext", {"open, never closed\r\nnext"}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadDelimitedFields(c.text), c.fields) << c.text;
}

TEST(ScriptStepTest, ScriptsRunInOrderWithThePasswordInTheEnvironmentAndArgumentsLiteral) {
  ServerContext server{1, "SRV;rm -rf /", "o'brien \"x\"", "p@ss \"w\" ord", "my db", "Window",
                       1, "/opt/pelvane/"};
  QueryToolCommand command = BuildQueryToolCommand(server, "/scripts/a b.sql", "/tmp/out.log");
  EXPECT_EQ(command.program, "/opt/pelvane/isqlw");
  EXPECT_EQ(command.arguments, (Lines{"-S", "SRV;rm -rf /", "-d", "my db", "-U", "o'brien \"x\"",
                                      "-i", "/scripts/a b.sql", "-o", "/tmp/out.log"}));
  EXPECT_EQ(
      command.environment,
      (std::vector<std::pair<std::string, std::string>>{{"SQLCMDPASSWORD", "p@ss \"w\" ord"}}));

  ScriptRunFixture f;
  ASSERT_EQ(RunScripts(f.run), ScriptsEnd::kContinue);
  EXPECT_EQ(f.LogLines(), Joined({kSucceededA, kSucceededB}));
  EXPECT_FALSE(f.run.anyFailure);
  ASSERT_EQ(f.sql.checkedLogins.size(), 2u);
  EXPECT_EQ(f.sql.checkedLogins[0].password, "Secret1");
  ASSERT_EQ(f.processes.calls.size(), 2u);
  // Each execution writes to its own file in a private folder beside the settings, gone
  // after the verdict, so that runs side by side never read each other's output.
  EXPECT_NE(f.processes.calls[0].Option("-o"), f.processes.calls[1].Option("-o"));
  for (const ProcessCall& call : f.processes.calls) {
    EXPECT_EQ(call.program, f.dir.File("bin") + "/isqlw");
    const std::filesystem::path output = call.Option("-o");
    EXPECT_EQ(output.filename(), "PelvaneScript.out");
    EXPECT_EQ(output.parent_path().parent_path(), f.dir.path());
    EXPECT_EQ(output.parent_path().filename().string().rfind("PelvaneScript-", 0), 0u) << output;
    EXPECT_FALSE(std::filesystem::exists(output.parent_path())) << output;
    EXPECT_EQ(call.Option("-P"), "");
    for (const std::string& argument : call.arguments) {
      EXPECT_EQ(argument.find("Secret1"), std::string::npos) << argument;
    }
  }
}

TEST(ScriptStepTest, QueryToolFolderEndsInOneSlashAndDefaultsAreStoredWhenTheyCanBe) {
  for (const char* stored : {"/opt/tools", "/opt/tools/"}) {
    FakeRun f;
    ASSERT_TRUE(f.store.SaveINIValues("Pelvane", "QAPath", stored));
    EXPECT_EQ(DetermineQueryToolFolder(f.store, "/default"), "/opt/tools/") << stored;
  }
  // The default is stored when the file takes it at once. A read-only file, or another
  // writer's lock, leaves it unstored: the folder is still the default, and nothing waits.
  enum class Hold { kNothing, kReadOnlyFile, kAnotherWritersLock };
  for (Hold hold : {Hold::kNothing, Hold::kReadOnlyFile, Hold::kAnotherWritersLock}) {
    FakeRun f;
    ASSERT_TRUE(f.store.SaveINIValues("Pelvane", "Other", "1"));
    f.store.SetLockPatience(std::chrono::hours(1));  // a wait for the lock would not end
    std::optional<Result<settings::FileLock>> lock;
    if (hold == Hold::kReadOnlyFile) ::chmod(f.store.file().c_str(), 0444);
    if (hold == Hold::kAnotherWritersLock) {
      lock.emplace(settings::FileLock::Acquire(f.store.file(), std::chrono::milliseconds(0)));
      ASSERT_TRUE(*lock);
    }
    EXPECT_EQ(DetermineQueryToolFolder(f.store, "/usr/lib/pelvane"), "/usr/lib/pelvane/");
    EXPECT_EQ(f.store.GetINIValue("Pelvane", "QAPath"),
              hold == Hold::kNothing ? "/usr/lib/pelvane" : "");
  }
}

TEST(ScriptStepTest, ErrorPolicy) {
  struct Case {
    std::string messagesTo;
    int16_t whenOccurs;
    ScriptsEnd end;
    Lines afterError;  // what follows "Error in Vesk Process: "
  };
  const Case cases[] = {
      {"Window", 1, ScriptsEnd::kContinue, Joined({kFailingDetails, kFailedReportA, kSucceededB})},
      {"Window", 2, ScriptsEnd::kBreak, kFailingDetails},
      {"Window", 3, ScriptsEnd::kEndRun, {"", "Server: [SRV1] @ T", "T, Server: SRV1"}},
      {"File", 1, ScriptsEnd::kContinue, Joined({kFailingDetails, kFailedReportA, kSucceededB})},
      {"File", 2, ScriptsEnd::kContinue, Joined({kFailedReportA, kSucceededB})},
      {"File", 3, ScriptsEnd::kContinue, Joined({kFailedReportA, kSucceededB})},
  };
  for (const Case& c : cases) {
    ScriptRunFixture f;
    f.FailFirstScript();
    SCOPED_TRACE(c.messagesTo + " " + std::to_string(c.whenOccurs));
    f.run.server.MessagesTo = c.messagesTo;
    f.run.server.WhenOccurs = c.whenOccurs;
    EXPECT_EQ(RunScripts(f.run), c.end);
    EXPECT_EQ(f.LogLines(), Joined({{kSeparator, "Error in Vesk Process: "}, c.afterError}));
    EXPECT_TRUE(f.run.anyFailure);
  }
}

TEST(ScriptStepTest, LoginCheckOutcomes) {
  struct Case {
    LoginCheckKind kind;
    Lines reason;  // the log line before the script's report
    Lines events;
  };
  const Lines eof = {
      "message: The Pelvane Tool | 20017, Unexpected EOF from the server occured in Pelvane."};
  const Case cases[] = {
      {LoginCheckKind::kUnreachable,
       {"SQL Server does not exist or is not accessible. Server: SRV1."},
       {}},
      {LoginCheckKind::kLoginRefused, {"Login FAILED for user sa on Server: SRV1."}, {}},
      // A check that failed in another way shows the error; the tool is not started either.
      {LoginCheckKind::kOtherError, {}, eof},
  };
  for (const Case& c : cases) {
    ScriptRunFixture f;
    f.inputs.scriptText = "a.sql";
    f.sql.loginChecks["SRV1"] =
        LoginCheck{c.kind, {"08S01", 20017, "Unexpected EOF from the server", "ODBC"}};
    EXPECT_EQ(RunScripts(f.run), ScriptsEnd::kContinue);
    EXPECT_EQ(f.LogLines(), Joined({{kSeparator}, c.reason, kFailedReportA}));
    EXPECT_TRUE(f.processes.calls.empty());  // a failed check starts no tool
    EXPECT_EQ(f.host.events, c.events);
    // The third case showed the general error message: the run went on, but not cleanly.
    EXPECT_TRUE(f.run.anyFailure);
  }
}

TEST(ScriptStepTest, ToolThatCouldNotRunFailsTheScript) {
  using K = ProcessOutcome::Kind;
  struct Case {
    std::string name;
    ToolBehaviour behaviour;
    bool staleOutput;  // an earlier script's failing output lies in the output file
    Lines lines;
    Lines events;
  };
  const std::string reason = "isqlw: Login failed for user 'sa'.";
  const Lines refused = Joined(
      {{kSeparator, "Error in Vesk Process: ", "Server: [SRV1] @ T", reason}, kFailedReportA});
  const Lines noOutput = Joined(
      {{kSeparator, "The query tool wrote no output for a.sql on Server: SRV1."}, kFailedReportA});
  const std::string context = "Changed database context.\r\n";
  const std::nullopt_t none = std::nullopt;
  const Lines shell = {
      "message: The Pelvane Tool | Error: 5, isqlw: Permission denied, detected "
      "in Shell subroutine.  Contact Support"};
  const ToolBehaviour cannotStart{{K::kFailedToStart, 0, "isqlw: Permission denied"}, none};
  const Case cases[] = {
      {"exit 2", {{K::kExited, 2, ""}, reason + "\r\n"}, false, refused, {}},
      {"exit 1 judged by its text", {{K::kExited, 1, ""}, context}, false, kSucceededA, {}},
      {"no output file", {{K::kExited, 0, ""}, none}, true, noOutput, {}},
      {"failed to start", cannotStart, false, noOutput, shell},
      {"killed", {{K::kKilled, 0, "signal 9"}, none}, false, noOutput, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptRunFixture f;
    f.inputs.scriptText = "a.sql";
    if (c.staleOutput) pelvane::testing::WriteBytes(f.state.QueryOutputFile, kFailingOutput);
    ToolBehaviour chosen = c.behaviour;
    f.processes.behaviour = [chosen](const ProcessCall&) { return chosen; };
    EXPECT_EQ(RunScripts(f.run), ScriptsEnd::kContinue);
    EXPECT_EQ(f.LogLines(), c.lines);
    EXPECT_EQ(f.host.events, c.events);
  }
}

TEST(ScriptStepTest, ScriptsThatRunPastTheTimeOutFailAndAnInterruptionOrStopNowEndsTheRun) {
  const Lines timedOut = {kSeparator,
                          "Vesk process for a.sql timed out after 7 seconds on Server: SRV1; the "
                          "script was ended.",
                          "Error in Vesk Process: ", "Server: [SRV1] @ T"};
  using K = ProcessOutcome::Kind;
  struct Case {
    std::string name;
    std::optional<int> given;  // --script-timeout
    std::string stored;        // "Pelvane"/"ScriptTimeout"
    ProcessOutcome outcome;
    ScriptsEnd end;
    int limit;                // the launcher's limit
    std::string toolTimeout;  // isqlw -t
    Lines lines;
    bool stopNow = false;  // the user's "Stop Now"
  };
  const Lines byLimit = Joined({timedOut, kFailedReportA});
  const Lines byTool = Joined({timedOut, {"partial"}, kFailedReportA});
  const Lines stalled = Joined({{kSeparator,
                                 "Vesk process for a.sql was ended on Server: SRV1: the server "
                                 "answered neither the script nor a check on a second connection; "
                                 "the script was ended.",
                                 "Error in Vesk Process: ", "Server: [SRV1] @ T", "partial"},
                                kFailedReportA});
  const Lines interrupted = Joined(
      {{kSeparator,
        "The run was interrupted; the query tool was ended while it ran a.sql on Server: SRV1."},
       kFailedReportA});
  const Lines stopped =
      Joined({{kSeparator, "Vesk process for a.sql on Server: SRV1 was stopped by the user."},
              kFailedReportA});
  const ScriptsEnd kOn = ScriptsEnd::kContinue;
  const std::nullopt_t none = std::nullopt;
  const Case cases[] = {
      {"ended by the launcher", 7, "", {K::kTimedOut, 0, "limit"}, kOn, 12, "7", byLimit},
      {"ended by the tool itself", none, "7", {K::kExited, 3, ""}, kOn, 12, "7", byTool},
      {"an hour by default", none, "", {K::kExited, 0, ""}, kOn, 3605, "3600", kSucceededA},
      {"a stalled server", none, "", {K::kExited, 4, ""}, kOn, 3605, "3600", stalled},
      {"0 stored is no limit", none, "0", {K::kExited, 0, ""}, kOn, 0, "", kSucceededA},
      {"the run's own value wins", 0, "7", {K::kExited, 0, ""}, kOn, 0, "", kSucceededA},
      {"interrupted", 0, "", {K::kInterrupted, 0, ""}, ScriptsEnd::kEndRun, 0, "", interrupted},
      {"stopped now", 0, "", {K::kInterrupted, 0, ""}, ScriptsEnd::kEndRun, 0, "", stopped, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptRunFixture f;
    f.inputs.scriptText = "a.sql|b.sql";
    f.inputs.scriptTimeoutSeconds = c.given;
    f.run.server.MessagesTo = "Window";
    RunControl control;
    if (c.stopNow) control.RequestStopNow();
    f.run.control = &control;
    if (!c.stored.empty()) {
      ASSERT_TRUE(f.store.SaveINIValues("Pelvane", "ScriptTimeout", c.stored));
    }
    const ProcessOutcome outcome = c.outcome;
    f.processes.behaviour = [outcome](const ProcessCall& call) {
      return ToolBehaviour{outcome, call.Option("-i") == "a.sql"
                                        ? std::optional<std::string>("partial\r\n")
                                        : std::optional<std::string>("done\r\n")};
    };
    EXPECT_EQ(RunScripts(f.run), c.end);
    Lines lines = f.LogLines();
    // Only a.sql's lines matter here; b.sql runs (or not) the same way.
    size_t next = std::find(lines.begin() + 1, lines.end(), kSeparator) - lines.begin();
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(next)), c.lines);
    EXPECT_EQ(f.processes.calls.size(), c.end == ScriptsEnd::kEndRun ? 1u : 2u);
    EXPECT_EQ(f.processes.calls[0].limits.timeoutSeconds, c.limit);
    EXPECT_EQ(f.processes.calls[0].Option("-t"), c.toolTimeout);
    EXPECT_EQ(f.processes.calls[0].limits.stopNow, control.StopNowFlag());
  }
}

TEST(ScriptStepTest, StoredTimeOutsUpToTwoMillionSeconds) {
  EXPECT_EQ(ParseScriptTimeout(" 2000000 "), 2000000);
  EXPECT_EQ(ParseScriptTimeout("2000001"), std::nullopt);
  EXPECT_EQ(ParseScriptTimeout("12a"), std::nullopt);
}

TEST(ScriptStepTest, QueryToolMissing) {
  const ToolBehaviour missing{{ProcessOutcome::Kind::kNotFound, 0, "isqlw: No such file"},
                              std::nullopt};
  const Lines missingLines = {kSeparator, "", kBanner, kToolMissingText};
  const std::string question = std::string("yesno: Query Analyzer Not Installed | ") +
                               kToolMissingText + " Continue other tasks?";
  struct Case {
    bool otherStep;  // the service step is ticked
    Answer answer;
    ScriptsEnd end;
    Lines events, lines;
  };
  const Lines critical = {std::string("critical: The Pelvane Tool | ") + kToolMissingText};
  // Going on, each script fails and asks again.
  const Lines goingOn = Joined({missingLines,
                                kFailedReportA,
                                missingLines,
                                {"T, Server: SRV1.", "Vesk process for b.sql --> UNSUCCESSFUL."}});
  const Case cases[] = {
      {false, Answer::kYes, ScriptsEnd::kEndRun, critical, missingLines},  // no other step ticked
      {true, Answer::kNo, ScriptsEnd::kEndRun, {question}, missingLines},
      {true, Answer::kYes, ScriptsEnd::kContinue, {question, question}, goingOn}};
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    ScriptRunFixture f;
    f.inputs.restartServices = c.otherStep;
    f.host.answers = {c.answer, c.answer};
    f.processes.behaviour = [missing](const ProcessCall&) { return missing; };
    EXPECT_EQ(RunScripts(f.run), c.end);
    EXPECT_EQ(f.host.events, c.events);
    EXPECT_EQ(f.LogLines(), c.lines);
    EXPECT_TRUE(f.run.QueryToolMissing);
    EXPECT_EQ(f.run.ContinueOtherSteps, c.end == ScriptsEnd::kContinue);
  }
}

TEST(ScriptStepTest, ListsThatRunNothing) {
  std::string many = "s0.sql";
  for (int k = 1; k <= 100; ++k) many += "|s" + std::to_string(k) + ".sql";
  for (const auto& [list, line] :
       {std::pair<std::string, std::string>{"", "No script(s) to vesk."},
        {many, "Script list has more than 100 items; scripts skipped for Server: SRV1."}}) {
    ScriptRunFixture f;
    f.inputs.scriptText = list;
    EXPECT_EQ(RunScripts(f.run), ScriptsEnd::kContinue);
    EXPECT_EQ(f.LogLines(), Lines{line});
    EXPECT_TRUE(f.processes.calls.empty());
    EXPECT_EQ(f.run.anyFailure, !list.empty());
  }
}

}  // namespace
}  // namespace pelvane::engine
