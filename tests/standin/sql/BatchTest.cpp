// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>

#include "standin/sql/EventTranscript.h"
#include "standin/sql/SqlEngine.h"
#include "support/TempDir.h"

namespace pelvane::standin {
namespace {

using Lines = std::vector<std::string>;

struct Case {
  std::string name;
  std::vector<Lines> batches;  // each as its lines
  Lines expected;
};

// The cases file: any text, then "=== name", the batches with "go" between them, ">>>" and the
// expected transcript, for each case.
std::vector<Case> ReadCases(const std::string& path) {
  std::ifstream in(path);
  std::vector<Case> cases;
  bool inExpected = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== ", 0) == 0) {
      cases.push_back({line.substr(4), {{}}, {}});
      inExpected = false;
    } else if (cases.empty()) {
      continue;
    } else if (line == ">>>") {
      inExpected = true;
    } else if (inExpected) {
      if (!line.empty()) cases.back().expected.push_back(line);
    } else if (line == "go") {
      cases.back().batches.emplace_back();
    } else {
      cases.back().batches.back().push_back(line);
    }
  }
  return cases;
}

TEST(BatchTest, StatementsProduceTheirEvents) {
  const std::vector<Case> cases = ReadCases(PELVANE_BATCH_CASES);
  ASSERT_GT(cases.size(), 20u);
  pelvane::testing::TempDir dir;
  for (const Case& c : cases) {
    // A server of its own, so that cases cannot see each other's tables.
    auto server = ServerData::Open(dir.File(c.name), {"sa:Secret1"}, {"pubs"});
    ASSERT_TRUE(server.ok()) << server.status().message();
    Session session(server.value(), "sa", "");
    Lines actual;
    for (const Lines& batch : c.batches) {
      std::string text;
      for (const std::string& line : batch) text += (&line == &batch[0] ? "" : "\n") + line;
      for (const std::string& event : testing::Transcript(session.RunBatch(text).events))
        actual.push_back(event);
    }
    EXPECT_EQ(actual, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace pelvane::standin
