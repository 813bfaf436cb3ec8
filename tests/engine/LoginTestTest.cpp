// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "engine/LoginTest.h"

namespace pelvane::engine {
namespace {

TEST(LoginTestTest, WordsTheDialogsQuestionForEachOutcome) {
  LoginCheck other{LoginCheckKind::kOtherError, {"HY000", 4060, "Cannot open database", "ODBC"}};
  struct Case {
    LoginCheck check;
    long number;
    std::string title, text;
  } cases[] = {
      {LoginCheck{LoginCheckKind::kLoginRefused, {"42000", 18456, "Login failed", "ODBC"}},
       -2147203048, "Login Failed",
       "Login FAILED for user sa on Server: SRV1. Would you like to add the login information "
       "anyway?"},
      {other, 4060, "Login Error",
       "4060, Cannot open database occured in ODBC.  Would you like to save the login "
       "information anyway? "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoginErrorNumber(c.check), c.number);
    std::optional<LoginQuestion> question = LoginTestQuestion(c.check, "SRV1", "sa");
    ASSERT_TRUE(question);
    EXPECT_EQ(question->title, c.title);
    EXPECT_EQ(question->text, c.text);
  }
  EXPECT_FALSE(LoginTestQuestion(LoginCheck{LoginCheckKind::kAccepted, {}}, "SRV1", "sa"));
}

}  // namespace
}  // namespace pelvane::engine
