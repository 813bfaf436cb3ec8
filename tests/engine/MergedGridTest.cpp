// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/MergedGrid.h"

namespace pelvane::engine {
namespace {

ServerQueryResult Result(const std::string& server, std::vector<std::string> columns,
                         std::vector<std::vector<std::string>> rows, bool hasResultSet = true) {
  return {server, QueryResult{hasResultSet, std::move(columns), std::move(rows)}};
}

TEST(MergedGridTest, EqualColumnsShareOneGridAndOthersStandApart) {
  const MergedGrid grid = MergeQueryResults({
      Result("S1", {}, {}, false),         // an update: no result table
      Result("S2", {"name", "size"}, {}),  // no rows: nothing, as in the log
      Result("S3", {"name", "size"}, {{"db1", "10"}, {"db2", ""}}),
      Result("S4", {"name", "SIZE"}, {{"db9", "3"}}),  // names differ in letter case
      Result("S5", {"name", "size"}, {{"db3", "7"}}),
      Result("S6", {"name"}, {{"db4", "x"}}),  // a long row is cut to the columns
  });
  ASSERT_EQ(grid.sections.size(), 3u);
  const GridSection& merged = grid.sections[0];
  EXPECT_EQ(merged.columns, (std::vector<std::string>{"Server", "name", "size"}));
  EXPECT_EQ(merged.rows, (std::vector<std::vector<std::string>>{
                             {"S3", "db1", "10"}, {"S3", "db2", ""}, {"S5", "db3", "7"}}));
  EXPECT_EQ(merged.note, "");
  EXPECT_EQ(grid.sections[1].columns, (std::vector<std::string>{"Server", "name", "SIZE"}));
  EXPECT_EQ(grid.sections[1].rows, (std::vector<std::vector<std::string>>{{"S4", "db9", "3"}}));
  EXPECT_EQ(grid.sections[1].note, "The columns of S4 differ from those of S3.");
  EXPECT_EQ(grid.sections[2].rows, (std::vector<std::vector<std::string>>{{"S6", "db4"}}));

  EXPECT_EQ(MergedGridToCsv(grid),
            "Server,name,size\r\nS3,db1,10\r\nS3,db2,\r\nS5,db3,7\r\n"
            "\r\nServer,name,SIZE\r\nS4,db9,3\r\n"
            "\r\nServer,name\r\nS6,db4\r\n");
  EXPECT_TRUE(MergeQueryResults({Result("S1", {"a"}, {})}).sections.empty());
  EXPECT_EQ(MergedGridToCsv(MergedGrid{}), "");
}

TEST(MergedGridTest, TheCsvBuiltAsRowsArriveIsTheMergedGridsCsv) {
  const std::vector<ServerQueryResult> results = {
      Result("S1", {}, {}, false),
      Result("S2", {"name", "size"}, {}),
      Result("S,3", {"name", "size"}, {{"db1", "10"}, {"d\"b2", ""}}),
      Result("S4", {"name", "SIZE"}, {{"db9", "3"}}),
      Result("S\xe9"
             "5",
             {"name", "size"}, {{"db3", "7"}}),
      Result("S6", {"name"}, {{"db4", "x"}, {}}),
  };
  std::vector<std::string> servers;
  for (const ServerQueryResult& one : results) servers.push_back(one.server);
  MergedCsvBuilder builder(servers);
  // Servers side by side: the later ones first, their rows interleaved.
  for (size_t k = results.size(); k-- > 0;)
    if (results[k].result.hasResultSet) builder.Columns(k, results[k].result.columns);
  for (size_t r = 0; r < 2; ++r)
    for (size_t k = results.size(); k-- > 0;)
      if (r < results[k].result.rows.size()) builder.Row(k, results[k].result.rows[r]);
  EXPECT_EQ(builder.TakeText(), MergedGridToCsv(MergeQueryResults(results)));
  EXPECT_EQ(builder.TakeText(), "");
}

TEST(MergedGridTest, CellsThatNeedQuotingOrCleaning) {
  const MergedGrid grid = MergeQueryResults(
      {Result("S,1", {"text"}, {{"a \"b\"\r\nc\td"}}), Result("S2", {"text"}, {{"short"}, {}})});
  EXPECT_EQ(MergedGridToCsv(grid),
            "Server,text\r\n\"S,1\",\"a \"\"b\"\"\r\nc\td\"\r\nS2,short\r\nS2,\r\n");
  EXPECT_EQ(GridSectionToTabText(grid.sections[0]),
            "Server\ttext\nS,1\ta \"b\"  c d\nS2\tshort\nS2\t\n");
}

}  // namespace
}  // namespace pelvane::engine
