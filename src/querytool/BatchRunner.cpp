// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/BatchRunner.h"

#include <vector>

#include "querytool/OutputLayout.h"
#include "querytool/ResultReader.h"

namespace pelvane::querytool {
namespace {

void WriteClientErrors(RunReport& report) {
  for (const std::string& line : report.TakeClientErrors()) report.output().Line(line);
}

void WriteRowCount(DBPROCESS* process, OutputFile& output) {
  // No count arrives for statements that have none, or under SET NOCOUNT ON.
  if (dbiscount(process) == FALSE) return;
  output.Line("");
  output.Line(RowCountLine(dbcount(process)));
}

void WriteResultSet(DBPROCESS* process, OutputFile& output) {
  const std::vector<ColumnLayout> columns = ResultColumns(process);
  output.Line(HeaderLine(columns));
  output.Line(DashLine(columns));
  const int columnCount = static_cast<int>(columns.size());
  STATUS row = dbnextrow(process);
  for (; row != NO_MORE_ROWS && row != FAIL; row = dbnextrow(process)) {
    // COMPUTE rows (row > 0) went away with SQL Server 2012; only regular rows are shown.
    if (row == REG_ROW) output.Line(RowLine(columns, RowValues(process, columnCount)));
  }
  // Rows left unread would make every later dbresults fail; db-lib has said why already.
  if (row == FAIL) dbcanquery(process);
}

}  // namespace

BatchEnd RunBatch(DbConnection& connection, const std::string& batch, RunReport& report) {
  DBPROCESS* process = connection.get();
  dbfreebuf(process);
  if (dbcmd(process, batch.c_str()) == FAIL) {
    WriteClientErrors(report);
    return connection.dead() ? BatchEnd::kConnectionLost : BatchEnd::kCompleted;
  }
  // A failing first statement makes dbsqlexec fail, yet the rest of the batch still answers
  // through dbresults, so its results are read either way.
  dbsqlexec(process);
  for (;;) {
    const RETCODE result = dbresults(process);
    if (result == NO_MORE_RESULTS) break;
    if (connection.dead()) break;
    if (result == FAIL) continue;
    if (dbnumcols(process) > 0) WriteResultSet(process, report.output());
    WriteRowCount(process, report.output());
  }
  WriteClientErrors(report);
  return connection.dead() ? BatchEnd::kConnectionLost : BatchEnd::kCompleted;
}

}  // namespace pelvane::querytool
