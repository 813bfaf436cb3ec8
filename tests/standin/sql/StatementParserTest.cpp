// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "standin/sql/StatementParser.h"

namespace pelvane::standin {
namespace {

std::string Render(const Statement& statement) {
  std::string text;
  for (const Token& token : statement.tokens) text += (text.empty() ? "" : " ") + token.text;
  switch (statement.shape) {
    case StatementShape::kSimple:
      return text;
    case StatementShape::kRestOfBatch:
      return "REST " + text;
    case StatementShape::kIf: {
      std::string out = "IF " + text + " THEN {" + Render(statement.children.at(0)) + "}";
      if (statement.children.size() > 1) out += " ELSE {" + Render(statement.children[1]) + "}";
      return out;
    }
    case StatementShape::kBlock: {
      std::string out = "BLOCK";
      for (const Statement& child : statement.children) out += " {" + Render(child) + "}";
      return out;
    }
  }
  return "?";
}

std::vector<std::string> Split(const std::string& batch) {
  Tokenized tokenized = Tokenize(batch);
  EXPECT_FALSE(tokenized.failed) << batch;
  ParsedBatch parsed = ParseBatch(tokenized.tokens);
  if (parsed.failed)
    return {"FAILED near " + parsed.nearToken + " L" + std::to_string(parsed.errorLine)};
  std::vector<std::string> out;
  for (const Statement& statement : parsed.statements) out.push_back(Render(statement));
  return out;
}

// Statements a batch case already runs one after another (table hints, transactions, inserts
// before selects) are split there.
TEST(StatementParserTest, SplitsWithoutSemicolons) {
  struct Case {
    std::string batch;
    std::vector<std::string> statements;
  };
  const Case cases[] = {
      {"select 1 select 2", {"select 1", "select 2"}},
      {"select 1; select 2;", {"select 1", "select 2"}},
      {"insert into t select a from u print 'x'", {"insert into t select a from u", "print x"}},
      {"update t set a = 1 set nocount on", {"update t set a = 1", "set nocount on"}},
      {"select a from t union all select b from u", {"select a from t union all select b from u"}},
      {"select case when a = 1 then 'x' else 'y' end from t",
       {"select case when a = 1 then x else y end from t"}},
      {"with c as (select 1 a) select * from c", {"with c as ( select 1 a ) select * from c"}},
      {"alter table t drop column c alter table t alter column d int",
       {"alter table t drop column c", "alter table t alter column d int"}},
      {"alter table t add constraint f foreign key (a) references u (a) on delete set null",
       {"alter table t add constraint f foreign key ( a ) references u ( a ) on delete set null"}},
      {"drop table if exists t drop procedure if exists p",
       {"drop table if exists t", "drop procedure if exists p"}},
      {"grant execute on p to public select 1", {"grant execute on p to public", "select 1"}},
      {"raiserror('x', 16, 1) with nowait print 'y'",
       {"raiserror ( x , 16 , 1 ) with nowait", "print y"}},
      {"if exists (select * from t) begin print 'a' print 'b' end else print 'c' print 'd'",
       {"IF exists ( select * from t ) THEN {BLOCK {print a} {print b}} ELSE {print c}",
        "print d"}},
      {"print 'x' create procedure p as select 1 select 2",
       {"print x", "REST create procedure p as select 1 select 2"}},
      {"select [select], \"from\" from [t]", {"select select , from from t"}},
      {"-- only a comment\n/* and /* nested */ another */", {}},
      {"begin print 'x'", {"FAILED near begin L1"}},
      {"print 1\nelse print 2", {"FAILED near else L2"}},
      {"if 1 = 1", {"FAILED near 1 L1"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.batch), c.statements) << c.batch;
}

}  // namespace
}  // namespace pelvane::standin
