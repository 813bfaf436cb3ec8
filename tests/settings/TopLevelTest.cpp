// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>

#include "settings/TopLevel.h"

namespace pelvane {
namespace {

TEST(TopLevelTest, NoExceptionLeavesAProgramUncaught) {
  struct Case {
    std::function<int()> body;
    int status;
    std::string message;
  } cases[] = {
      {[] { return 3; }, 3, ""},
      {[]() -> int { throw std::runtime_error("basic_filebuf::underflow"); }, 1,
       "isqlw: internal error: basic_filebuf::underflow\n"},
      {[]() -> int { throw 42; }, 1, "isqlw: internal error of an unknown kind\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream err;
    EXPECT_EQ(RunGuarded("isqlw", err, c.body), c.status);
    EXPECT_EQ(err.str(), c.message);
  }
}

}  // namespace
}  // namespace pelvane
