// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/CsvText.h"
#include "engine/JsonText.h"
#include "engine/ReportCsv.h"
#include "engine/ReportFile.h"
#include "engine/ReportJson.h"
#include "support/TempDir.h"

namespace pelvane::engine {
namespace {

using pelvane::testing::ReadBytes;
using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

ServerRow Row(int position, const char* server, Verdict result, LoginResult login,
              std::vector<ScriptCell> scripts) {
  ServerRow row;
  row.position = position;
  row.server = server;
  row.result = result;
  row.login = login;
  row.scripts = std::move(scripts);
  return row;
}

RunReport SampleReport() {
  using V = Verdict;
  const std::string refused = "Login FAILED for user sa on Server: GAMMA.";
  RunReport report;
  report.columns.scripts = {"/sql/a, \"first\".sql", "/sql/b.sql"};
  report.columns.copy = report.columns.service = true;
  report.seconds = 41.25;
  report.rows = {Row(1, "ALPHA", V::kSucceeded, LoginResult::kAccepted,
                     {{V::kSucceeded, 0, 0, "", 0.5}, {V::kSucceeded, 0, 0, "", 1.25}}),
                 Row(2, "BETA,1433", V::kFailed, LoginResult::kAccepted,
                     {{V::kFailed, 208, 16, "Invalid object name 'dbo.\"x\"'.\r\nline two", 0.75},
                      {V::kNotRun, 0, 0, "", 0}}),
                 Row(3, "GAMMA", V::kFailed, LoginResult::kRefused,
                     {{V::kFailed, 0, 0, refused, 0.125}, {V::kFailed, 0, 0, refused, 0.125}}),
                 Row(4, "DELTA", V::kNotRun, LoginResult::kNotChecked, {{}, {}})};
  report.rows[0].copy = report.rows[0].service = {V::kSucceeded, ""};
  report.rows[0].seconds = 2.5;
  report.rows[1].copy = {V::kFailed, "File May Already Exist. caf\xc3\xa9"};
  report.rows[1].seconds = 1;
  report.rows[2].loginError = refused;
  return report;
}

TEST(ReportFileTest, BothFormatsReadBackWhatTheyWrite) {
  TempDir dir;
  const RunReport report = SampleReport();
  for (const char* column : {"Copy Detail", "Service Detail", "Login Error"})
    ASSERT_NE(ReportToCsv(report).find(column), std::string::npos) << column;
  for (const char* name : {"run.csv", "run.JSON"}) {
    const std::string path = dir.File(name);
    ASSERT_TRUE(WriteReportFile(path, report)) << name;
    Result<RunReport> back = ReadReportFile(path);
    ASSERT_TRUE(back) << name << ": " << back.status().message();
    // Compared as CSV text, which holds every field of every row.
    EXPECT_EQ(ReportToCsv(*back), ReportToCsv(report)) << name;
    EXPECT_EQ(FailedServers(*back), (std::vector<std::string>{"BETA,1433", "GAMMA"})) << name;
  }
  Result<RunReport> json = ReadReportFile(dir.File("run.JSON"));
  EXPECT_DOUBLE_EQ(json->seconds, 41.25);
}

TEST(ReportFileTest, CsvLayout) {
  RunReport report = SampleReport();
  report.columns.copy = report.columns.service = false;
  report.rows.resize(2);
  report.rows[1].server = "B\xe9TA";  // not UTF-8: read as Latin-1
  EXPECT_EQ(
      ReportToCsv(report),
      "Position,Server,Result,Login,Login Error,"
      "\"Script 1: /sql/a, \"\"first\"\".sql\",Script 1 Error Number,Script 1 Severity,"
      "Script 1 Error,Script 1 Seconds,"
      "Script 2: /sql/b.sql,Script 2 Error Number,Script 2 Severity,Script 2 Error,"
      "Script 2 Seconds,Seconds\r\n"
      "1,ALPHA,SUCCESSFUL,accepted,,SUCCESSFUL,,,,0.500,SUCCESSFUL,,,,1.250,2.500\r\n"
      "2,B\xc3\xa9TA,UNSUCCESSFUL,accepted,,UNSUCCESSFUL,208,16,"
      "\"Invalid object name 'dbo.\"\"x\"\"'.\r\nline two\",0.750,NOT RUN,,,,0.000,1.000\r\n");
}

TEST(ReportFileTest, ARunAgainTakesEachFailedAndNotRunServerOnce) {
  struct Case {
    std::string file, text;
    std::vector<std::string> listed;
    std::vector<std::string> servers;  // none expected: the error names the first server
    int failed, notRun;
  };
  const std::string latin1 = "SRV\xc9";  // the settings file keeps 8-bit names as they are
  const std::string csv = "Server,Result\r\n";
  // A server named twice runs once.
  const std::string twice =
      csv + "A,UNSUCCESSFUL\r\nb,NOT RUN\r\na,unsuccessful\r\nB,UNSUCCESSFUL\r\n";
  const std::string json = R"({"servers": [{"server": "SRV\u00c9", "result": "UNSUCCESSFUL"}]})";
  const std::string utf8 = "SRV\xc3\x89";
  // A sheet of the user's own: only Server and Result are needed.
  const std::string sheet =
      "\xEF\xBB\xBFNotes,Server,Result\r\nchecked,A,successful\r\n,B,"
      "UNSUCCESSFUL\r\n\r\nx,C,Not Run";
  const Case cases[] = {
      {"a.csv", twice, {"A", "B"}, {"A", "B"}, 1, 1},
      {"a.csv", sheet, {"A", "B", "C"}, {"B", "C"}, 1, 1},
      // 8-bit names, as the CSV and the JSON writer wrote them; the exact name wins.
      {"a.csv", csv + utf8 + ",NOT RUN\r\n", {"A", latin1}, {latin1}, 0, 1},
      {"a.json", json, {latin1}, {latin1}, 1, 0},
      {"a.csv", csv + utf8 + ",NOT RUN\r\n", {latin1, utf8}, {utf8}, 0, 1},
      // A server no longer listed.
      {"a.csv", csv + "A,NOT RUN\r\nGONE,NOT RUN\r\n", {"A"}, {}, 0, 0}};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    const std::string path = dir.File(c.file);
    WriteBytes(path, c.text);
    Result<ServersToRunAgain> again = ReadServersToRunAgain(path, c.listed);
    if (c.servers.empty()) {
      ASSERT_FALSE(again);
      EXPECT_EQ(again.status().message(),
                "Report file " + path + ": GONE is not in the server list.");
      continue;
    }
    ASSERT_TRUE(again) << again.status().message();
    EXPECT_EQ(again->servers, c.servers);
    EXPECT_EQ(again->failed, c.failed);
    EXPECT_EQ(again->notRun, c.notRun);
  }
}

TEST(ReportFileTest, MalformedReportsAreClearErrors) {
  struct Case {
    const char* name;
    const char* text;
    const char* message;  // a part of the error message
  } cases[] = {
      {"a.csv", "", "is empty"},
      {"a.csv", "Server,Status\r\nA,failed\r\n", "lacks a \"Server\" or \"Result\" column"},
      {"a.csv", "Server,Result\r\nA\r\n", "record 2 has 1 fields where its header has 2"},
      {"a.csv", "Server,Result\r\nA,BROKEN\r\n", "unknown result \"BROKEN\""},
      {"a.csv", "Server,Result\r\n\"A,SUCCESSFUL\r\n", "quoted field that is never closed"},
      {"a.json", "", "ends where a value should be"},
      {"a.json", "{\"rows\": []}", "lacks \"servers\""},
      {"a.json",
       "{\"scripts\": [\"a.sql\"], \"servers\": [{\"server\": \"A\", \"result\": \"NOT RUN\", "
       "\"scripts\": []}]}",
       "has 0 scripts where the run has 1"},
      {"a.json",
       "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]"
       "]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]",
       "nests too deeply"},
      {"a.txt", "Server,Result\r\n", "must end in .csv or .json"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.File(c.name);
    WriteBytes(path, c.text);
    Result<RunReport> report = ReadReportFile(path);
    ASSERT_FALSE(report) << c.name << ": " << c.text;
    EXPECT_NE(report.status().message().find(c.message), std::string::npos)
        << c.text << "\n  gave: " << report.status().message();
  }
  Result<RunReport> missing = ReadReportFile(dir.File("none.json"));
  ASSERT_FALSE(missing);
  EXPECT_NE(missing.status().message().find(dir.File("none.json")), std::string::npos);
}

TEST(ReportFileTest, CellsThatStartLikeFormulasAreWrittenAsTextAndReadBackExactly) {
  struct Cell {
    std::string text;
    std::string written;  // the field as CsvRecord writes it
  } cells[] = {
      {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0"},
      {"+1+1", "'+1+1"},
      {"\tTAB", "'\tTAB"},
      {"=a,b", "\"'=a,b\""},
      {"'=already text", "''=already text"},  // one more apostrophe, so the reader can undo it
      {"a=b", "a=b"},
  };
  std::vector<std::string> texts;
  for (const Cell& c : cells) {
    EXPECT_EQ(CsvRecord({c.text}), c.written + "\r\n") << c.text;
    texts.push_back(c.text);
  }
  Result<std::vector<std::vector<std::string>>> back = ParseCsv(CsvRecord(texts));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->front(), texts);

  // A server named like a formula is found again by the report reader; JSON keeps the name.
  RunReport report;
  ServerRow row;
  row.position = 1;
  row.server = "=HYPERLINK(\"x\")";
  row.result = Verdict::kFailed;
  row.loginError = "-ERR";
  report.rows = {row};
  Result<RunReport> read = ReportFromCsv(ReportToCsv(report));
  ASSERT_TRUE(read) << read.status().message();
  EXPECT_EQ(FailedServers(*read), std::vector<std::string>{row.server});
  EXPECT_EQ(read->rows[0].loginError, "-ERR");
  EXPECT_NE(ReportToJson(report).find("\"=HYPERLINK(\\\"x\\\")\""), std::string::npos);
}

TEST(ReportFileTest, CsvTexts) {
  // Bare line ends read as records too; quoted fields round-trip in BothFormatsReadBack.
  const Result<std::vector<std::vector<std::string>>> bare = ParseCsv("a,b\nc,\n");
  EXPECT_EQ(*bare, (std::vector<std::vector<std::string>>{{"a", "b"}, {"c", ""}}));
  EXPECT_FALSE(ParseCsv("\"a\"b,c"));
  EXPECT_FALSE(ParseCsv("a\rb"));

  EXPECT_EQ(JsonString("a\"\\\t\x01\xe9"), "\"a\\\"\\\\\\t\\u0001\xc3\xa9\"");
}

}  // namespace
}  // namespace pelvane::engine
