// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>

#include "standin/sql/StatementParser.h"

namespace pelvane::standin {
namespace {

std::string Render(const Statement& statement) {
  std::string text, children;
  for (const Token& token : statement.tokens) text += (text.empty() ? "" : " ") + token.text;
  for (const Statement& child : statement.children) children += " {" + Render(child) + "}";
  switch (statement.shape) {
    case StatementShape::kSimple:
      return text;
    case StatementShape::kRestOfBatch:
      return "REST " + text;
    case StatementShape::kIf:
      return "IF " + text + children;
    case StatementShape::kBlock:
      return "BLOCK" + children;
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

TEST(StatementParserTest, SplitsWithoutSemicolons) {
  std::ifstream in(PELVANE_STATEMENT_CASES);
  std::string line, batch;
  while (std::getline(in, line) && !line.empty()) {
  }  // the file's opening paragraph
  std::vector<std::string> expected;
  int cases = 0;
  for (bool more = true; more;) {
    more = static_cast<bool>(std::getline(in, line));
    if (more && line.rfind("=> ", 0) == 0) {
      expected.push_back(line.substr(3));
    } else if (more && !line.empty()) {
      batch += (batch.empty() ? "" : "\n") + line;
    } else {
      EXPECT_EQ(Split(batch), expected) << batch;
      ++cases, batch.clear(), expected.clear();
    }
  }
  EXPECT_EQ(cases, 14);
}

}  // namespace
}  // namespace pelvane::standin
