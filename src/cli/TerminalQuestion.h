// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/ports/RunHost.h"

namespace pelvane::cli {

/// Log text as a terminal shows it: the log's "\r\n" line ends become "\n", and control
/// characters other than tab and line ends (which server text may hold) show as "^X" (C1
/// controls in UTF-8 as "?"), so that no escape sequence reaches the terminal.
std::string ForTerminal(const std::string& text);

/// Shows a prompt and reads one line typed in answer; nullopt when there is no terminal to ask
/// on or nothing can be read.
using LineReader = std::function<std::optional<std::string>(const std::string& prompt)>;

/// The terminal's LineReader: asks only when standard input and standard error are terminals.
std::optional<std::string> ReadTerminalLine(const std::string& prompt);

/// Asks until the answer is yes or no (or cancel, when offered); nullopt without a terminal.
std::optional<engine::Answer> AskChoice(const LineReader& read, const std::string& question,
                                        bool offerCancel);

}  // namespace pelvane::cli
