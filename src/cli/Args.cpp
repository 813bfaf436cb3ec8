// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Args.h"

namespace pelvane::cli {

Result<Args> Args::Parse(const std::vector<std::string>& tokens, const OptionSpec& spec) {
  Args args;
  bool optionsEnded = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string& token = tokens[i];
    if (optionsEnded || token.size() < 2 || token.compare(0, 2, "--") != 0) {
      args.positional_.push_back(token);
      continue;
    }
    if (token == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = token.substr(2);
    std::optional<std::string> inlineValue;
    if (size_t eq = name.find('='); eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.erase(eq);
    }
    if (spec.flags.count(name) != 0) {
      if (inlineValue) return Status::Error("option --" + name + " takes no value");
      args.options_[name].push_back(std::string());
    } else if (spec.withValue.count(name) != 0) {
      if (inlineValue) {
        args.options_[name].push_back(*inlineValue);
      } else if (i + 1 < tokens.size()) {
        args.options_[name].push_back(tokens[++i]);
      } else {
        return Status::Error("option --" + name + " needs a value");
      }
    } else {
      return Status::Error("unknown option --" + name);
    }
  }
  return args;
}

std::optional<std::string> Args::Value(const std::string& option) const {
  auto it = options_.find(option);
  if (it == options_.end()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> Args::Values(const std::string& option) const {
  auto it = options_.find(option);
  return it == options_.end() ? std::vector<std::string>() : it->second;
}

}  // namespace pelvane::cli
