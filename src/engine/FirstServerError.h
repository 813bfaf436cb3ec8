// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace pelvane::engine {

/// A server error as the query tool writes it into its output.
struct ServerErrorMessage {
  long number = 0;
  int severity = 0;
  std::string text;
};

/// The first "Server: Msg <number>, Level <severity>, ..." header of the output (any letter
/// case) with the line that follows it as the text; none when the output holds no such header.
std::optional<ServerErrorMessage> FirstServerError(const std::string& output);

}  // namespace pelvane::engine
