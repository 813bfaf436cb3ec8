// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "standin/sql/EventTranscript.h"
#include "standin/sql/SqlEngine.h"
#include "support/TempDir.h"

namespace pelvane::standin {
namespace {

// The cases file: any text, then for each case "=== name", its batches with "go" between them,
// ">>>" and the expected transcript.
TEST(BatchTest, StatementsProduceTheirEvents) {
  std::ifstream in(PELVANE_BATCH_CASES);
  std::vector<std::pair<std::string, std::string>> cases;  // name, the file's text of the case
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== ", 0) == 0)
      cases.emplace_back(line.substr(4), "");
    else if (!cases.empty())
      cases.back().second += line + "\n";
  }
  ASSERT_GT(cases.size(), 20u);
  pelvane::testing::TempDir dir;
  for (const auto& [name, text] : cases) {
    const size_t arrows = text.find(">>>\n");
    ASSERT_NE(arrows, std::string::npos) << name;
    // A server of its own, so that cases cannot see each other's tables.
    auto server = ServerData::Open(dir.File(name), {"sa:Secret1"}, {"pubs"});
    ASSERT_TRUE(server.ok()) << server.status().message();
    Session session(server.value(), "sa", "");
    std::string actual;
    for (size_t at = 0, go; at < arrows; at = go + 4) {
      go = std::min(text.find("\ngo\n", at), arrows - 1);
      for (const std::string& event :
           testing::Transcript(session.RunBatch(text.substr(at, go - at)).events))
        actual += event + "\n";
    }
    std::string expected;
    std::istringstream lines(text.substr(arrows + 4));
    for (std::string line; std::getline(lines, line);)
      if (!line.empty()) expected += line + "\n";
    EXPECT_EQ(actual, expected) << name;
  }
}

}  // namespace
}  // namespace pelvane::standin
