// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "settings/Status.h"

namespace pelvane::cli {

/// The options one command accepts: those that take a value and plain flags.
struct OptionSpec {
  std::set<std::string> withValue;
  std::set<std::string> flags;
};

/// A command's arguments split into positionals and options ("--name value", "--name=value";
/// "--" ends the options).
class Args {
 public:
  static Result<Args> Parse(const std::vector<std::string>& tokens, const OptionSpec& spec);

  const std::vector<std::string>& positional() const { return positional_; }
  bool Has(const std::string& option) const { return options_.count(option) != 0; }
  /// The option's value; the last one when it was given more than once.
  std::optional<std::string> Value(const std::string& option) const;
  /// Every value of a repeatable option, in the order given (empty when not given).
  std::vector<std::string> Values(const std::string& option) const;

 private:
  std::vector<std::string> positional_;
  std::map<std::string, std::vector<std::string>> options_;
};

}  // namespace pelvane::cli
