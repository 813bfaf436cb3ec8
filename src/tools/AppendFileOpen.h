#pragma once

#include <string>

#include "shell/Prompter.h"

namespace pelvane::tools {

/// The URL the desktop opens for a stored append-to path: a network path
/// (\\machine\share\path, "\" or "/" as separators) as smb://machine/share/path, which the
/// file manager opens with the user's own rights; any other path as a local file.
std::string AppendFileUrl(const std::string& path);

/// Hands the path to the desktop and reports a failure the way a document opening does.
void OpenAppendFile(shell::Prompter& prompter, const std::string& path);

}  // namespace pelvane::tools
