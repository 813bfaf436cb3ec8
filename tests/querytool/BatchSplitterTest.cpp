// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "querytool/BatchSplitter.h"

namespace pelvane::querytool {
namespace {

TEST(BatchSplitterTest, SplitsAtLinesHoldingOnlyGo) {
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::string> batches;
  };
  const Case cases[] = {
      {"any case, blanks around", "a\n  go \t\nb\n\tGo\nc", {"a\n", "b\n", "c"}},
      {"CR LF line ends", "a\r\nGO\r\nb\r\ngo\r\n", {"a\r\n", "b\r\n"}},
      {"GO on the last line without line end", "a\nGO", {"a\n"}},
      {"GO within a line is text", "select 'GO'\nGOTO x\n", {"select 'GO'\nGOTO x\n"}},
      {"line comment holding GO", "a\n-- GO\nb\n", {"a\n-- GO\nb\n"}},
      {"blank batches are dropped", "GO\n\n  \nGO\na\nGO\nGO\n", {"a\n"}},
      {"GO splits even inside a block comment",
       "a\n/* note\nGO\n*/\nb\n",
       {"a\n/* note\n", "*/\nb\n"}},
      {"an unclosed quote fails its batch alone",
       "print 'It's broken'\nGO\nprint 'second'\nGO\n",
       {"print 'It's broken'\n", "print 'second'\n"}},
      {"doubled quote inside a string", "select 'it''s'\nGO\nb", {"select 'it''s'\n", "b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitBatches(c.script), c.batches) << c.name;
  }
}

}  // namespace
}  // namespace pelvane::querytool
