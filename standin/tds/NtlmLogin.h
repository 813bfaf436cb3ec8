// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "settings/Status.h"
#include "standin/tds/Packets.h"

namespace pelvane::standin::tds {

/// The Windows logins a stand-in accepts, by upper-case "DOMAIN\USER": the name as given
/// and its password.
struct WindowsAccount {
  std::string name;
  std::string password;
};
using WindowsLogins = std::map<std::string, WindowsAccount>;

/// Reads "DOMAIN\user:password" entries (the password may hold ':').
WindowsLogins ParseWindowsLogins(const std::vector<std::string>& entries);

/// The SSPI bytes of a LOGIN7 payload (empty for a SQL login), checked against the message.
std::string Login7SspiToken(const std::string& payload);

/// How a Windows login ended: accepted as `account`, or refused (wrong password, unknown).
struct WindowsLoginOutcome {
  bool accepted = false;
  std::string login;  // as the client named it, for the refusal's message
  WindowsAccount account;
};

/// NTLM for a LOGIN7 that carried `negotiate`: sends the challenge in an SSPI token (0xED),
/// reads the client's AUTHENTICATE in a message of type 0x11 and checks its NTLMv2 response.
/// An error means the connection must close (with that reason).
Result<WindowsLoginOutcome> AuthenticateWindowsLogin(
    const std::string& negotiate, const WindowsLogins& logins,
    const std::function<bool(const std::string&)>& send,
    const std::function<Result<Message>()>& read);

}  // namespace pelvane::standin::tds
