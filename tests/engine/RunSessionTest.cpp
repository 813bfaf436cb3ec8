// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/RunSession.h"
#include "engine/StoredRunInputs.h"
#include "fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;
using Kind = RunOutcome::Kind;

/// Servers SRV1..SRV3 and the script deploy.sql, as both front ends hand them to a session.
struct SessionFixture : FakeRun {
  SessionFixture() { ServersToRun(3); }

  RunSetup Setup(int startIndex) const {
    RunSetup setup;
    setup.inputs = inputs;
    setup.startIndex = startIndex;
    setup.state = state;
    setup.queryToolFolder = dir.File("bin");
    return setup;
  }
};

/// A window that goes away under the run, after every server's steps.
class VanishingHost : public fakes::FakeRunHost {
 public:
  void SetRunButtonCaption(const std::string&) override { throw std::runtime_error("window gone"); }
};

TEST(RunSessionTest, WhatEscapesTheRunEndsItEarlyAsItsGeneralError) {
  SessionFixture f;
  VanishingHost host;
  const RunPorts ports{host,    f.sql,      f.processes, f.shares,
                       f.clock, f.services, f.sleeper,   f.keyring};
  RunSession session(f.Setup(1), ports, f.store, f.log);
  const RunOutcome outcome = session.Run();

  EXPECT_EQ(outcome.kind, Kind::kEndedEarly);  // pelvanectl exits 2, not through terminate
  EXPECT_TRUE(outcome.anyFailure);
  EXPECT_EQ(outcome.NextServerIndex, 1);
  EXPECT_EQ(host.events, std::vector<std::string>{
                             "message: The Pelvane Tool | 51, window gone occured in Pelvane."});
  const RunReport report = session.recorder().Snapshot();
  ASSERT_EQ(report.rows.size(), 3u);
  EXPECT_EQ(report.rows[2].result, Verdict::kSucceeded);
  EXPECT_GT(report.seconds, 0);
}

TEST(RunSessionTest, TheReportHoldsTheServersFromTheStartIndexAndTheOutcomeTheStateReRead) {
  SessionFixture f;
  f.store.SaveINIValues("Errors", "WhenOccurs", "2");
  RunSession session(f.Setup(2), f.ports, f.store, f.log);
  const RunOutcome outcome = session.Run();

  EXPECT_EQ(outcome.kind, Kind::kCompleted);
  EXPECT_EQ(outcome.WhenOccurs, 2);
  EXPECT_EQ(f.state.WhenOccurs, 1);  // the front end's own state is its to change
  const RunReport report = session.recorder().Snapshot();
  ASSERT_EQ(report.rows.size(), 2u);
  EXPECT_EQ(report.rows[0].position, 2);
  EXPECT_EQ(report.rows[0].server, "SRV2");
  EXPECT_EQ(report.rows[1].result, Verdict::kSucceeded);
  EXPECT_EQ(f.processes.calls.size(), 2u);
  EXPECT_EQ(session.TakeMergedCsv(), "");  // none asked for
}

TEST(RunSessionTest, SimpleScriptRowsGoStraightIntoTheMergedCsv) {
  SessionFixture f;
  f.inputs.simpleScriptMode = true;
  f.inputs.simpleScriptText = "select name from t";
  QueryResult table;
  table.hasResultSet = true;
  table.columns = {"name"};
  table.rows = {{"a"}, {"b"}};
  for (const char* server : {"SRV1", "SRV2", "SRV3"})
    f.sql.queryResults.insert_or_assign(server, table);
  RunSetup setup = f.Setup(2);
  setup.mergedCsv = true;
  RunSession session(std::move(setup), f.ports, f.store, f.log);
  session.Run();

  EXPECT_EQ(session.TakeMergedCsv(), "Server,name\r\nSRV2,a\r\nSRV2,b\r\nSRV3,a\r\nSRV3,b\r\n");
  for (const ServerQueryResult& kept : session.recorder().QueryResults())
    EXPECT_TRUE(kept.result.rows.empty()) << kept.server;  // held once, as CSV text
}

TEST(StoredRunInputsTest, WhatTheDialogStoresARunWithoutAWindowReads) {
  FakeRun f;
  RunInputs kept;
  kept.scriptText = "/s/one.sql\r\n/s/two.sql";
  kept.copyFileText = "/c/a.txt";
  kept.copyFile = true;
  kept.appendText = true;
  kept.simpleScriptMode = true;
  ASSERT_TRUE(SaveStoredRunInputs(f.store, kept));
  EXPECT_EQ(f.store.GetINIValue("Script", "ScriptPath"), "/s/one.sqlvbChr13vbChr10/s/two.sql");
  EXPECT_EQ(f.store.GetINIValue("Pelvane", "OverwriteFile"), "0");

  const RunInputs read = LoadStoredRunInputs(f.store);
  EXPECT_EQ(read.scriptText + "|" + read.copyFileText, kept.scriptText + "|" + kept.copyFileText);
  EXPECT_EQ((std::vector<bool>{read.copyFile, read.overwriteFile, read.appendText,
                               read.restartServices, read.simpleScriptMode}),
            (std::vector<bool>{true, false, true, false, true}));
}

}  // namespace
}  // namespace pelvane::engine
