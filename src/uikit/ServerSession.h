// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::shell {

/// The program-wide strings the server dialogs hand to each other: the server a per-server
/// dialog works on, the login last tried for it, and the append-to file last opened.
struct ServerSession {
  std::string CurrentServer;
  std::string CurrentLogin;
  std::string CurrentPassword;  // plain text, never stored
  std::string CurrentDatabase;
  std::string AppendToFile;
};

}  // namespace pelvane::shell
