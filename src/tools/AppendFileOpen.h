// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "uikit/Prompter.h"
#include "uikit/ShellOpen.h"

namespace pelvane::tools {

/// The URL the desktop opens for a network path (\\machine\share\path, "\" or "/" as
/// separators): smb://machine/share/path, which the file manager opens with the user's own
/// rights. Empty for any other path.
std::string NetworkFileUrl(const std::string& path);

/// Opens a stored append-to path on the desktop: a network path through its smb:// URL, a
/// local one as a document. A failure shows the document-opening message for the path.
void OpenAppendFile(shell::Prompter& prompter, const std::string& path,
                    const shell::DefaultAppLookup& lookup);

}  // namespace pelvane::tools
