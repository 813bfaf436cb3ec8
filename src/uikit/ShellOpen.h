// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "uikit/Prompter.h"

namespace pelvane::shell {

/// The conditions under which opening a document fails, numbered as the Windows shell numbers
/// them, since the messages are keyed by them.
enum ShellOpenCode {
  kShellOpened = 33,
  kShellFileNotFound = 2,
  kShellPathNotFound = 3,
  kShellAccessDenied = 5,
  kShellNoAssociation = 31,
};

/// The message for a failure code, or empty for success and codes without a message.
std::string ShellOpenMessage(int code, const std::string& target);

/// Whether the desktop names a default application for a MIME type; nullopt when it cannot
/// tell (no lookup tool installed).
using DefaultAppLookup = std::function<std::optional<bool>(const std::string& mimeType)>;
/// The desktop's own lookup (xdg-mime), run without a shell.
std::optional<bool> DesktopHasDefaultApp(const std::string& mimeType);

/// Hands a file or web address to the desktop to open in its application, without waiting for
/// it; a failure shows its message through the prompter. Returns the code.
int ShellOpen(const std::string& target, Prompter& prompter,
              const DefaultAppLookup& lookup = DesktopHasDefaultApp);

}  // namespace pelvane::shell
