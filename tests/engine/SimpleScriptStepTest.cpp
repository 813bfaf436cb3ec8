// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/SimpleScriptStep.h"
#include "fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;
using fakes::Lines;

struct SimpleScriptFixture : FakeRun {
  SimpleScriptFixture() {
    run.server = {1, "SRV1", "sa", "Secret1", "pubs", "Window", 1, "/bin/"};
    inputs.simpleScriptText = "select name, id from t";
  }
};

TEST(SimpleScriptStepTest, TableWithATabAfterEveryCell) {
  SimpleScriptFixture f;
  QueryResult table;
  table.hasResultSet = true;
  table.columns = {"name", "id"};
  table.rows = {{"alpha", "1"}, {"", "2"}, {"gamma", "3"}};
  f.sql.queryResults.insert_or_assign("SRV1", table);
  f.run.server.CurrentServer = " SRV1  ";  // the connection takes the name without blanks
  RunSimpleScript(f.run);
  EXPECT_EQ(f.LogLines(), (Lines{"name\tid\t", "alpha\t1\t", "\t2\t", "gamma\t3\t"}));

  ASSERT_EQ(f.sql.queries.size(), 1u);
  const SqlTarget& target = f.sql.queries[0].first;
  // The login's default database: no database named.
  EXPECT_EQ(Lines({target.server, target.login, target.password, target.database}),
            Lines({"SRV1", "sa", "Secret1", ""}));
  EXPECT_EQ(f.sql.queries[0].second, "select name, id from t");
  EXPECT_EQ(f.sql.queryTimeouts, std::vector<int>{60});
  EXPECT_FALSE(f.run.anyFailure);
}

TEST(SimpleScriptStepTest, WhatLogsNothingAndWhatLogsAFailure) {
  QueryResult noRows;
  noRows.hasResultSet = true;
  noRows.columns = {"name"};
  struct Case {
    std::string name;
    std::string text;
    Result<QueryResult> result;
    Lines lines;
    size_t queries;
  };
  const Case cases[] = {
      {"no rows", "select name from t where 0=1", noRows, {}, 1},
      {"empty text", "", noRows, {}, 0},
      {"unreachable",
       "select 1",
       Status::Error("[FreeTDS][SQL Server]Unable to connect", 20009),
       {"Simple Script FAILED on Server: SRV1. [FreeTDS][SQL Server]Unable to connect"},
       1},
  };
  for (const Case& c : cases) {
    SimpleScriptFixture f;
    f.inputs.simpleScriptText = c.text;
    f.sql.queryResults.emplace("SRV1", c.result);
    RunSimpleScript(f.run);
    EXPECT_EQ(f.LogLines(), c.lines) << c.name;
    EXPECT_EQ(f.sql.queries.size(), c.queries) << c.name;
    EXPECT_EQ(f.run.anyFailure, !c.lines.empty()) << c.name;
  }
}

}  // namespace
}  // namespace pelvane::engine
