// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "standin/sql/EventTranscript.h"
#include "standin/sql/SqlEngine.h"
#include "support/TempDir.h"

namespace pelvane::standin {
namespace {

using testing::Transcript;
using Lines = std::vector<std::string>;

struct Case {
  std::string name;
  std::vector<std::string> batches;  // run one after another in one session
  Lines expected;                    // the transcript of all of them
};

// Each case gets a server of its own, so that cases cannot see each other's tables.
Lines RunCase(const pelvane::testing::TempDir& dir, const Case& c) {
  auto server = ServerData::Open(dir.File(c.name), {"sa:Secret1"}, {"pubs"});
  if (!server.ok()) return {"open failed: " + server.status().message()};
  Session session(server.value(), "sa", "");
  Lines lines;
  for (const std::string& batch : c.batches) {
    Lines batchLines = Transcript(session.RunBatch(batch).events);
    lines.insert(lines.end(), batchLines.begin(), batchLines.end());
  }
  return lines;
}

TEST(BatchTest, StatementsProduceTheirEvents) {
  const Case cases[] = {
      {"select_names_and_types",
       {"select 1 as n, 2.5 f, 'x' [t], NULL, total = 3, 4"},
       {"cols n:int f:float t:text :text total:int :int", "row 1|2.5|'x'|NULL|3|4", "done 1"}},
      {"print_texts_and_expressions",
       {"PRINT 'a' + N'b'\n\nprint 42"},
       {"info 0/0/1 L1: ab", "done", "info 0/0/1 L3: 42", "done"}},
      {"raiserror_values_and_low_severity",
       {"print 'x'\nRAISERROR('bad %s no. %d', 16, 3, 'thing', 7)\nraiserror(N'note', 10, 2) "
        "with nowait"},
       {"info 0/0/1 L1: x", "done", "error 50000/16/3 L2: bad thing no. 7", "done error",
        "info 50000/10/2 L3: note", "done"}},
      {"syntax_error_stops_the_whole_batch",
       {"print 'before'\nselect from\nprint 'after'"},
       {"error 102/15/1 L2: Incorrect syntax near 'from'.", "done error"}},
      {"unknown_table_and_column_continue",
       {"create table t (a int)\nselect * from dbo.missing\nselect nope from t\nprint 'after'"},
       {"done", "error 208/16/1 L2: Invalid object name 'missing'.", "done error",
        "error 207/16/1 L3: Invalid column name 'nope'.", "done error", "info 0/0/1 L4: after",
        "done"}},
      {"other_sqlite_errors_in_the_50000_range",
       {"create table t (a int primary key)\ninsert t values (1)\ninsert t values (1)"},
       {"done", "done 1", "error 50019/16/1 L3: UNIQUE constraint failed: t.a", "done error"}},
      {"unclosed_quote",
       {"print 'a'\nprint 'open"},
       {"error 105/15/1 L2: Unclosed quotation mark after the character string 'open'.",
        "done error"}},
      {"deployment_table_with_identity_and_counts",
       {"CREATE TABLE [dbo].[Orders] (\n [Id] INT IDENTITY(1,1) NOT NULL,\n [Name] NVARCHAR(50) "
        "COLLATE SQL_Latin1_General_CP1_CI_AS NULL,\n [Note] VARCHAR(MAX) NULL,\n [Made] DATETIME "
        "NOT NULL CONSTRAINT DF_Made DEFAULT (GETDATE()),\n [Price] MONEY NULL,\n CONSTRAINT "
        "[PK_Orders] PRIMARY KEY CLUSTERED ([Id] ASC) WITH (PAD_INDEX = OFF) ON [PRIMARY]\n) ON "
        "[PRIMARY]",
        "INSERT Orders (Name, Price) VALUES (N'alpha', 2.5)\ninsert into dbo.Orders(Name) values "
        "('beta')\ninsert Orders(Name) select Name + '2' from Orders\nupdate Orders set Note = "
        "'n' where Id > 1\ndelete Orders where Name = 'ALPHA'\nselect top 2 Id, Name, Price, "
        "len(Name) from Orders order by Id",
        "set nocount on\ninsert Orders(Name) values ('c')\nselect count(*) from Orders\nset "
        "nocount off"},
       {"done", "done 1", "done 1", "done 2", "done 3", "done 1",
        "cols Id:int Name:text "
        "Price:float :int",
        "row 2|'beta'|NULL|4", "row 3|'alpha2'|NULL|6", "done 2", "done", "done", "cols :int",
        "row 4", "done", "done"}},
      {"use_switches_database",
       {"use pubs\nselect db_name()\nuse [Master]\nuse nowhere\nselect db_name()"},
       {"use master>pubs", "done", "cols :text", "row 'pubs'", "done 1", "use pubs>master", "done",
        "error 911/16/1 L4: Database 'nowhere' does not exist. Make sure that the name is "
        "entered correctly.",
        "done error", "cols :text", "row 'master'", "done 1"}},
      {"server_variables",
       {"select @@SERVERNAME, DB_NAME(), SUSER_SNAME(), @@ROWCOUNT"},
       {"cols :text :text :text :int", "row 'SERVER_VARIABLES'|'master'|'sa'|0", "done 1"}},
      {"procedures_create_exec_replace_drop",
       {"-- header\nCREATE PROCEDURE [dbo].[usp_Hello]\nAS\nSET NOCOUNT ON\nPRINT 'hello'\n"
        "SELECT * FROM missing",
        "exec usp_Hello\nselect 1", "create procedure usp_hello as print 'again'",
        "ALTER PROCEDURE dbo.usp_hello AS\nBEGIN\n  RAISERROR('from proc', 16, 1)\nEND",
        "EXECUTE dbo.USP_HELLO",
        "drop procedure usp_hello\ndrop procedure usp_hello\nalter procedure gone as print 1",
        "exec dbo.gone"},
       {"done",
        "done",
        "info 0/0/1 L5 usp_Hello: hello",
        "done",
        "error 208/16/1 L6 usp_Hello: Invalid object name 'missing'.",
        "done error",
        "done",
        "cols :int",
        "row 1",
        "done 1",
        "error 2714/16/6 L1: There is already an object named 'usp_hello' in the database.",
        "done error",
        "done",
        "error 50000/16/1 L3 usp_Hello: from proc",
        "done error",
        "done",
        "done",
        "error 3701/11/5 L2: Cannot drop the procedure 'usp_hello', because it does not exist "
        "or you do not have permission.",
        "done error",
        "error 208/16/1 L3: Invalid object name 'gone'.",
        "done error",
        "error 2812/16/62 L1: Could not find stored procedure 'dbo.gone'.",
        "done error"}},
      {"existence_checks_guard_one_statement",
       {"create procedure p as print 'p'",
        "IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[p]') AND "
        "OBJECTPROPERTY(id, N'IsProcedure') = 1)\nDROP PROCEDURE [dbo].[p]\n"
        "if exists (select * from sysobjects where name = 'P' and type = 'P') print 'still'\n"
        "if object_id('t') is not null drop table t else print 'no table'\n"
        "create table t (a int)\nif object_id('dbo.t', 'U') is not null print 'table'\n"
        "if exists (select * from sys.procedures) print 'procs' else begin print 'none' print "
        "'left' end"},
       {"done", "done", "info 0/0/1 L4: no table", "done", "done", "info 0/0/1 L6: table", "done",
        "info 0/0/1 L7: none", "done", "info 0/0/1 L7: left", "done"}},
      {"return_ends_a_procedure_and_options_revert",
       {"create procedure r as\nset nocount on\nif 1 = 1 begin print 'a' return 3 end\nprint "
        "'never'",
        "exec r\ncreate table t (a int)\ninsert t values (1)"},
       {"done", "done", "info 0/0/1 L3 r: a", "done", "done", "done", "done 1"}},
      {"procedure_calling_itself_stops",
       {"create procedure loop1 as exec loop1", "exec loop1\nprint 'not reached'"},
       {"done",
        "error 217/16/1 L1 loop1: Maximum stored procedure, function, trigger, or view nesting "
        "level exceeded (limit 32).",
        "done error"}},
      {"syntax_error_in_a_procedure_body_refuses_it",
       {"create procedure bad as\nprint 'ok'\nselect from", "exec bad"},
       {"error 102/15/1 L3: Incorrect syntax near 'from'.", "done error",
        "error 2812/16/62 L1: Could not find stored procedure 'bad'.", "done error"}},
      {"dynamic_sql_and_password_by_batch",
       {"exec ('select 1 as d')\nEXEC sp_executesql N'print ''inner'''\n"
        "exec sp_password 'wrong', 'x', 'sa'\nexec master..sp_password 'Secret1', 'New1', 'sa'"},
       {"cols d:int", "row 1", "done 1", "done", "info 0/0/1 L1: inner", "done", "done",
        "error 15211/16/1 L1 sp_password: Old (current) password incorrect for user. The "
        "password was not changed.",
        "done error", "done"}},
      {"common_functions",
       {"select isnull(null, 'z'), convert(varchar(10), 12), charindex('b', 'abc'), "
        "len(N'abcd'), substring('abcdef', 2, 3), 'x' + 'y'\n"
        "select case when getdate() like '____-__-__ __:__:__.___' then 'ok' end, "
        "case when @@VERSION like '%stand-in%' then 'ok' end"},
       {"cols :text :text :int :int :text :text", "row 'z'|'12'|2|4|'bcd'|'xy'", "done 1",
        "cols :text :text", "row 'ok'|'ok'", "done 1"}},
      {"stand_in_tables_stay_hidden",
       {"select * from standin_logins\ndrop table standin_procedures\nselect count(*) from "
        "sysobjects"},
       {"error 208/16/1 L1: Invalid object name 'standin_logins'.", "done error",
        "error 208/16/1 L2: Invalid object name 'standin_procedures'.", "done error", "cols :int",
        "row 0", "done 1"}},
      {"temporary_tables_and_empty_batches",
       {"create table #work (a int)\ninsert #work values (5)\nselect a from #work", "",
        "-- nothing but a comment", "select name from sysobjects"},
       {"done", "done 1", "cols a:int", "row 5", "done 1", "cols name:text", "done 0"}},
      {"variables",
       {"declare @n int, @s varchar(20) = 'hi', @f float = 2\nset @n = '41' + 1\n"
        "select @n as n, @s s, @f f\nselect @n = count(*) from sysobjects\nprint @n\n"
        "print @missing"},
       {"done", "done", "cols n:int s:text f:float", "row 42|'hi'|2", "done 1", "done 1",
        "info 0/0/1 L5: 0", "done",
        "error 137/15/1 L6: Must declare the scalar variable "
        "\"@missing\".",
        "done error"}},
      {"procedure_parameters",
       {"create procedure dbo.addone (@a int, @b varchar(10) = 'dflt') as\nselect @a + 1 as "
        "r, @b as b",
        "exec addone 5\nexec addone @b = 'x', @a = '1'\nexec addone\nexec addone 1, 'a', 3\n"
        "exec addone @zzz = 1"},
       {"done", "cols r:int b:text", "row 6|'dflt'", "done 1", "done", "cols r:int b:text",
        "row 2|'x'", "done 1", "done",
        "error 201/16/1 L3: Procedure or function 'addone' expects parameter '@a', which was "
        "not supplied.",
        "done error",
        "error 8144/16/1 L4: Procedure or function addone has too many arguments specified.",
        "done error", "error 8145/16/1 L5: @zzz is not a parameter for procedure addone.",
        "done error"}},
      {"transactions",
       {"create table t (a int)\nbegin tran\ninsert t values (1)\nrollback\nbegin transaction\n"
        "insert t values (2)\ncommit transaction\nselect a from t"},
       {"done", "done", "done 1", "done", "done", "done 1", "done", "cols a:int", "row 2",
        "done 1"}},
  };
  pelvane::testing::TempDir dir;
  for (const Case& c : cases) {
    Lines actual = RunCase(dir, c);
    EXPECT_EQ(actual, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace pelvane::standin
