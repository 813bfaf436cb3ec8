// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/FirstServerError.h"
#include "engine/ReportRecorder.h"
#include "engine/RunReport.h"
#include "engine/RunReportColumns.h"

namespace pelvane::engine {
namespace {

constexpr Verdict kOk = Verdict::kSucceeded;
constexpr Verdict kFail = Verdict::kFailed;
constexpr Verdict kNot = Verdict::kNotRun;

ScriptCell Cell(Verdict verdict) {
  ScriptCell cell;
  cell.verdict = verdict;
  return cell;
}

ReportColumns TwoScriptsAndCopy() {
  ReportColumns columns;
  columns.scripts = {"a.sql", "b.sql"};
  columns.copy = true;
  return columns;
}

TEST(RunReportTest, RowResultFollowsTheCells) {
  struct Case {
    const char* name;
    LoginResult login;
    Verdict a, b, copy;
    bool finished;
    Verdict expected;
  } cases[] = {
      {"all succeeded", LoginResult::kAccepted, kOk, kOk, kOk, true, kOk},
      {"one script failed", LoginResult::kAccepted, kOk, kFail, kOk, true, kFail},
      {"copy failed", LoginResult::kAccepted, kOk, kOk, kFail, true, kFail},
      {"login refused", LoginResult::kRefused, kFail, kFail, kOk, true, kFail},
      {"unreachable, not finished", LoginResult::kUnreachable, kNot, kNot, kNot, false, kFail},
      {"never reached", LoginResult::kNotChecked, kNot, kNot, kNot, false, kNot},
      {"finished with a step not run", LoginResult::kAccepted, kOk, kOk, kNot, true, kNot},
      {"all cells done but not finished", LoginResult::kAccepted, kOk, kOk, kOk, false, kNot},
  };
  for (const Case& c : cases) {
    ServerRow row;
    row.login = c.login;
    row.scripts = {Cell(c.a), Cell(c.b)};
    row.copy.verdict = c.copy;
    EXPECT_EQ(RowVerdict(row, TwoScriptsAndCopy(), c.finished), c.expected) << c.name;
  }
  // A step the run does not include plays no part, whatever its cell says.
  ServerRow row;
  row.service.verdict = kFail;
  EXPECT_EQ(RowVerdict(row, ReportColumns{}, true), kOk);
  // Steps that ended on the run's general error fail the server, whatever its cells say.
  row.error = "51, Internal error occured in Pelvane.";
  EXPECT_EQ(RowVerdict(row, ReportColumns{}, false), kFail);
}

TEST(RunReportTest, ARunWithoutAScriptHasNoScriptColumnAndTheStepsDecide) {
  RunInputs inputs;
  inputs.appendText = true;
  const ReportColumns columns = ReportColumnsFor(inputs);
  EXPECT_TRUE(columns.scripts.empty());
  ReportRecorder recorder(columns, {"S1"}, 1);
  recorder.ServerStarted(1);
  recorder.StepDone(1, StepKind::kAppend, {kOk, ""});
  recorder.ServerFinished(1, 0.1);
  EXPECT_EQ(recorder.Snapshot().rows.at(0).result, kOk);
  inputs.scriptText = "a.sql||b.sql";  // an empty item between two is still a column
  EXPECT_EQ(ReportColumnsFor(inputs).scripts, (std::vector<std::string>{"a.sql", "", "b.sql"}));
}

TEST(RunReportTest, RecorderFillsOneRowPerServer) {
  std::vector<int> changed;
  ReportRecorder recorder(TwoScriptsAndCopy(), {"S1", "S2", "S3", "S4"}, 3,
                          [&changed](int position) { changed.push_back(position); });

  recorder.ServerStarted(3);
  recorder.LoginChecked(3, LoginResult::kAccepted, "");
  recorder.ScriptDone(3, 0, {kOk, 0, 0, "", 0.5});
  recorder.LoginChecked(3, LoginResult::kAccepted, "");
  recorder.ScriptDone(3, 1, {kOk, 0, 0, "", 0.25});
  recorder.StepDone(3, StepKind::kCopy, {kOk, ""});
  recorder.ServerFinished(3, 1.0);

  recorder.ServerStarted(4);
  recorder.LoginChecked(4, LoginResult::kAccepted, "");
  recorder.ScriptDone(4, 0, {kFail, 208, 16, "Invalid object name 'x'.", 0.1});
  recorder.LoginChecked(4, LoginResult::kRefused, "Login FAILED for user sa on Server: S2.");
  recorder.LoginChecked(4, LoginResult::kAccepted, "");  // the failure is kept
  recorder.StepDone(4, StepKind::kCopy, {kFail, "first reason"});
  recorder.StepDone(4, StepKind::kCopy, {kOk, ""});  // a later file's success keeps it
  recorder.StepDone(4, StepKind::kCopy, {kFail, "second reason"});
  recorder.ServerFinished(4, 2.0);

  recorder.ServerStarted(5);               // ended early: never finished
  recorder.ScriptDone(5, 7, Cell(kFail));  // no such script: ignored
  recorder.ServerStarted(99);              // no such server: ignored
  recorder.SetRunSeconds(41.25);

  const RunReport report = recorder.Snapshot();
  ASSERT_EQ(report.rows.size(), 4u);
  EXPECT_EQ(report.rows[0].position, 3);
  EXPECT_EQ(report.rows[3].position, 6);
  EXPECT_EQ(report.rows[0].result, kOk);
  EXPECT_EQ(report.rows[0].seconds, 1.0);
  const ServerRow& s2 = report.rows[1];
  EXPECT_TRUE(s2.result == kFail && s2.login == LoginResult::kRefused &&
              s2.scripts[1].verdict == kNot);
  EXPECT_EQ(s2.loginError + "|" + s2.copy.detail,
            "Login FAILED for user sa on Server: S2.|first reason");
  EXPECT_EQ(std::make_pair(s2.scripts[0].errorNumber, s2.scripts[0].severity),
            std::make_pair(208L, 16));
  EXPECT_EQ(report.rows[2].result, kNot);
  EXPECT_EQ(report.rows[3].result, kNot);

  const RunSummary summary = Summarize(report);
  EXPECT_EQ(SummaryLine(summary), "1 succeeded, 1 failed, 2 not run in 41.2 s");
  EXPECT_EQ(FailedServers(report), std::vector<std::string>{"S2"});
  EXPECT_EQ(changed.size(), 18u);  // every call on a known row, none for an unknown one
  EXPECT_EQ(changed.front(), 3);
}

TEST(RunReportTest, ServersSideBySideWriteTheirOwnRows) {
  constexpr int kServers = 16;
  std::vector<std::string> names;
  for (int i = 0; i < kServers; ++i) names.push_back("S" + std::to_string(i + 1));
  ReportColumns columns;
  columns.scripts = {"a.sql"};
  columns.service = true;
  ReportRecorder recorder(columns, names);

  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&recorder, t] {
      for (int position = t + 1; position <= kServers; position += 4) {
        recorder.ServerStarted(position);
        recorder.LoginChecked(position, LoginResult::kAccepted, "");
        const Verdict verdict = position % 3 == 0 ? kFail : kOk;
        recorder.ScriptDone(position, 0, {verdict, 0, 0, "", 0.0});
        recorder.StepDone(position, StepKind::kService, {kOk, ""});
        recorder.ServerFinished(position, position);
        (void)recorder.Snapshot();  // the status board reads while servers write
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  const RunReport report = recorder.Snapshot();
  for (const ServerRow& row : report.rows) {
    EXPECT_EQ(row.seconds, row.position) << row.server;
    EXPECT_EQ(row.result, row.position % 3 == 0 ? kFail : kOk) << row.server;
  }
  EXPECT_EQ(FailedServers(report).size(), 5u);
}

TEST(RunReportTest, FirstServerErrorOfAnOutput) {
  struct Case {
    const char* output;
    bool found;
    long number;
    int severity;
    const char* text;
  } cases[] = {
      {"Server: Msg 208, Level 16, State 1, Line 1\r\nInvalid object name 'x'.\r\n", true, 208, 16,
       "Invalid object name 'x'."},
      {"(1 row(s) affected)\nserver: msg 50000, level 11, State 1, Procedure p, Line 4\nfirst\n"
       "Server: Msg 208, Level 16, State 1, Line 9\nsecond\n",
       true, 50000, 11, "first"},
      {"Server: Msg 2627, Level 14, State 1, Line 1", true, 2627, 14, ""},
      {"Server: Msg x, Level 16\nnot a header\nServer: Msg 105, Level 15, State 1, Line "
       "2\nUnclosed",
       true, 105, 15, "Unclosed"},
      {"Changed database context to 'master'.\n", false, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    std::optional<ServerErrorMessage> error = FirstServerError(c.output);
    ASSERT_EQ(error.has_value(), c.found);
    if (!error) continue;
    EXPECT_EQ(std::make_tuple(error->number, error->severity, error->text),
              std::make_tuple(c.number, c.severity, std::string(c.text)));
  }
}

}  // namespace
}  // namespace pelvane::engine
