// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "uikit/Prompter.h"

namespace pelvane::shell {

/// The titles the Browse buttons give the open-file dialog.
constexpr char kBrowseScriptTitle[] = "Select SQL Script and click Open.";
constexpr char kBrowseCopyFileTitle[] = "Select File To Copy and click Open.";
constexpr char kBrowseLogFileTitle[] = "Select or type log file and click Open.";
constexpr char kBrowseCopyToTitle[] = "Select Path to Copy File To and click Open.";

/// The most files taken from one selection.
constexpr int kMaxBrowseFiles = 200;

/// The open-file dialog of a Browse button: it starts in the folder of the first line of
/// currentValue, lets the user choose several files (at most 200 are taken) and returns their
/// full paths separated by "\r\n". Cancelling returns currentValue, so the field keeps its text.
std::string BrowseFiles(Prompter& prompter, const std::string& title,
                        const std::string& currentValue);

}  // namespace pelvane::shell
