// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/AlterLogin.h"

#include "standin/sql/BatchExecutor.h"
#include "standin/sql/ServerStore.h"
#include "standin/sql/SessionState.h"

namespace pelvane::standin {

void PlanAlterLogin(const std::vector<Token>& tokens, StatementPlan& plan) {
  plan.kind = StatementPlan::Kind::kAlterLogin;
  auto near = [&](size_t i) {
    plan.syntaxNear = i < tokens.size() ? tokens[i].text : tokens.back().text;
  };
  if (tokens.size() < 3 || !tokens[2].IsName()) return near(2);
  plan.procedure = tokens[2].text;
  if (UpperWordAt(tokens, 3) != "WITH") return near(3);
  size_t i = 4;
  for (const char* word : {"PASSWORD", "OLD_PASSWORD"}) {
    if (i >= tokens.size() && plan.passwords.size() == 1) return;
    if (UpperWordAt(tokens, i) != word) return near(i);
    if (i + 2 >= tokens.size() || !tokens[i + 1].IsSymbol("=") ||
        tokens[i + 2].kind != TokenKind::kString)
      return near(i + 1);
    plan.passwords.push_back(tokens[i + 2].text);
    i += 3;
  }
  if (i < tokens.size()) near(i);
}

BatchExecutor::Flow BatchExecutor::RunAlterLogin(const StatementPlan& plan, int line) {
  // A login may change its own password, with the old one; nothing here grants more.
  if (plan.passwords.size() < 2 || plan.procedure != session_.context.login) {
    EmitError(15151, 16,
              "Cannot alter the login '" + plan.procedure +
                  "', because it does not exist or you do not have permission.",
              LineOf(line));
    EmitDone(std::nullopt, true);
    return Flow::kNext;
  }
  RpcOutcome outcome =
      session_.server->ChangePassword(plan.passwords[1], plan.passwords[0], plan.procedure);
  for (BatchEvent& event : outcome.events) {
    if (auto* error = std::get_if<ErrorMessage>(&event)) {
      error->procedure.clear();
      error->line = LineOf(line);
      session_.context.lastError = error->number;
    }
    events_.push_back(std::move(event));
  }
  EmitDone(std::nullopt, outcome.returnStatus != 0);
  return Flow::kNext;
}

}  // namespace pelvane::standin
