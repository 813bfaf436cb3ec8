#include <gtest/gtest.h>

#include "shell/ScriptedPrompter.h"

namespace pelvane::shell {
namespace {

TEST(ScriptedPrompterTest, AnswersInOrderAndTakesTheSafeAnswerWhenUnscripted) {
  ScriptedPrompter prompter;
  prompter.answers = {engine::Answer::kYes};
  prompter.Message("shown");
  EXPECT_EQ(prompter.Ask({Prompt::Buttons::kYesNo, "c", "first", {}}), engine::Answer::kYes);
  EXPECT_EQ(prompter.Ask({Prompt::Buttons::kYesNo, "c", "second", {}}), engine::Answer::kNo);
  EXPECT_EQ(prompter.Ask({Prompt::Buttons::kYesNoCancel, "c", "third", {}}),
            engine::Answer::kCancel);
  EXPECT_EQ(prompter.AskText("p", "c", "d"), std::nullopt);
  EXPECT_TRUE(prompter.PickFiles({}).empty());
  EXPECT_EQ(prompter.unscripted, 4);
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"shown", "first", "second", "third"}));
}

}  // namespace
}  // namespace pelvane::shell
