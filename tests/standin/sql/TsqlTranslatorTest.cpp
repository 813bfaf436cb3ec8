// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "standin/sql/SqliteErrorMapping.h"
#include "standin/sql/TsqlTranslator.h"
#include "standin/sql/Variables.h"

namespace pelvane::standin {
namespace {

std::vector<Token> TokensOf(const std::string& text) {
  Tokenized tokenized = Tokenize(text);
  EXPECT_FALSE(tokenized.failed) << text;
  return tokenized.tokens;
}

std::vector<Token> AsIs(const std::vector<Token>& tokens) {
  return tokens;
}

// What a batch shows of these (functions, TOP, identity, defaults, temporary tables) is the batch
// tests' table; here the rewrites no batch there shows by itself.
TEST(TsqlTranslatorTest, RewritesWhatSqliteDoesNotRead) {
  using Pass = std::vector<Token> (*)(const std::vector<Token>&);
  struct Case {
    std::string tsql, sqlite;
    Pass before = AsIs;  // the pass the engine runs first for this kind of statement
  };
  const Case cases[] = {
      {"select [a b] from [dbo].[t]", "select \"a b\" from \"t\""},
      {"select * from pubs.dbo.authors join pubs..titles on 1 = 1",
       "select * from authors join titles on 1 = 1"},
      {"select N'it''s'", "select 'it''s'"},
      {"select @@SERVERNAME, @@rowcount",
       "select standin_global('SERVERNAME') , standin_global('ROWCOUNT')"},
      {"select GETUTCDATE ( )", "select strftime('%Y-%m-%d %H:%M:%f','now')"},
      {"select distinct top (2) a from t", "select distinct a from t LIMIT ( 2 )"},
      {"select * from t with (nolock) where a !< 3", "select * from t where a >= 3"},
      {"create table t (v varchar(max) collate SQL_Latin1_General_CP1_CI_AS, "
       "w nvarchar(5) collate Latin1_General_CS_AS) on [PRIMARY] textimage_on [PRIMARY]",
       "create table t ( v varchar COLLATE NOCASE , w nvarchar ( 5 ) COLLATE BINARY )"},
      {"create unique nonclustered index i on t (a)", "create unique index i on t ( a )"},
      {"select * from sys.objects, INFORMATION_SCHEMA.TABLES",
       "select * from sys_objects , information_schema_tables"},
      {"select a, t.b, 1, x = 2, 3 c, 4 as d, 5 'e', *, t.*, null",
       "select a , t . b , 1 AS \"standin:unnamed\" , 2 AS \"x\" , 3 c , 4 as d , 5 AS \"e\" , "
       "* , t . * , null AS \"standin:unnamed\"",
       NameSelectColumns},
      {"select top 1 count(*) from t where a in (select b from u)",
       "select count ( * ) AS \"standin:unnamed\" from t where a in ( select b from u ) LIMIT 1",
       NameSelectColumns},
      {"select case when a = 1 then 'x' end, 'y' from t",
       "select case when a = 1 then 'x' end AS \"standin:unnamed\" , 'y' AS \"standin:unnamed\" "
       "from t",
       NameSelectColumns},
      {"create table t (id bigint identity primary key, n int)",
       "create table t ( id INTEGER primary key , n int )", TranslateIdentityColumns},
      {"create table t (id numeric(10,0) identity(5,2), n int, constraint pk primary key (id))",
       "create table t ( id INTEGER , n int , constraint pk primary key ( id ) )",
       TranslateIdentityColumns},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TranslateToSqlite(c.before(TokensOf(c.tsql))), c.sqlite) << c.tsql;
}

TEST(TsqlTranslatorTest, SqliteErrorsGetSqlServerNumbers) {
  struct Case {
    int code;
    std::string message;
    int32_t number;
    int severity;
    std::string text;
    bool syntax;
  };
  const Case cases[] = {
      {1, "near \"form\": syntax error", 102, 15, "Incorrect syntax near 'form'.", true},
      {1, "near \"\"x y\"\": syntax error", 102, 15, "Incorrect syntax near 'x y'.", true},
      {1, "incomplete input", 102, 15, "Incorrect syntax near 'last'.", true},
      {1, "unrecognized token: \"!\"", 102, 15, "Incorrect syntax near '!'.", true},
      {1, "no such table: main.orders", 208, 16, "Invalid object name 'orders'.", false},
      {1, "no such column: qty", 207, 16, "Invalid column name 'qty'.", false},
      {1, "table t already exists", 2714, 16,
       "There is already an object named 't' in the database.", false},
      {2067, "UNIQUE constraint failed: t.a", 50019, 16, "UNIQUE constraint failed: t.a", false},
  };
  for (const Case& c : cases) {
    MappedError error = MapSqliteError(c.code, c.message, "last");
    EXPECT_EQ(error.number, c.number) << c.message;
    EXPECT_EQ(error.severity, c.severity) << c.message;
    EXPECT_EQ(error.text, c.text) << c.message;
    EXPECT_EQ(error.syntax, c.syntax) << c.message;
  }
}

TEST(TsqlTranslatorTest, DeclarationsAndTheirTypes) {
  std::vector<Token> tokens = TokensOf("@A int = 1 + 2, @b AS varchar(10) OUTPUT, @c float");
  std::string near;
  auto declarations = ParseDeclarations(tokens, 0, tokens.size(), near);
  ASSERT_TRUE(declarations);
  ASSERT_EQ(declarations->size(), 3u);
  EXPECT_EQ((*declarations)[0].name, "@a");
  EXPECT_EQ((*declarations)[0].type, "INT");
  EXPECT_EQ((*declarations)[0].initial.size(), 3u);
  EXPECT_EQ((*declarations)[1].type, "VARCHAR ( 10 )");
  EXPECT_TRUE((*declarations)[1].initial.empty());

  for (const char* bad : {"x int", "@t TABLE (a int)", "@v int =", "@w"}) {
    std::vector<Token> badTokens = TokensOf(bad);
    EXPECT_FALSE(ParseDeclarations(badTokens, 0, badTokens.size(), near)) << bad;
  }

  EXPECT_EQ(ConvertToType(Value(std::string("42")), "INT"), Value(int64_t{42}));
  EXPECT_EQ(ConvertToType(Value(2.9), "BIGINT"), Value(int64_t{2}));
  EXPECT_EQ(ConvertToType(Value(int64_t{3}), "DECIMAL ( 10 , 2 )"), Value(3.0));
  EXPECT_EQ(ConvertToType(Value(int64_t{3}), "VARCHAR ( 5 )"), Value(std::string("3")));
  EXPECT_EQ(ConvertToType(Value(), "INT"), Value());
}

}  // namespace
}  // namespace pelvane::standin
