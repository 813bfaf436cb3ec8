// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ShellPortsFactory.h"

#include "platform/NetRpcServiceControl.h"
#include "platform/OdbcSqlClient.h"
#include "platform/PosixProcessLauncher.h"
#include "platform/SecretServiceKeyring.h"
#include "platform/SmbNetworkShares.h"
#include "platform/SmbRemoteClock.h"
#include "platform/SystemSleeper.h"

namespace pelvane::shell {

// The one place that chooses which implementation of each port the desktop program uses.
struct OwnedShellPorts::Parts {
  platform::OdbcSqlClient sql;
  platform::PosixProcessLauncher processes;
  platform::SmbNetworkShares shares;
  platform::SmbRemoteClock clock;
  platform::NetRpcServiceControl services;
  platform::SystemSleeper sleeper;
  platform::SecretServiceKeyring keyring;
};

OwnedShellPorts::OwnedShellPorts()
    : parts_(std::make_unique<Parts>()),
      ports_(std::make_unique<ShellPorts>(ShellPorts{parts_->sql, parts_->processes, parts_->shares,
                                                     parts_->clock, parts_->services,
                                                     parts_->sleeper, parts_->keyring})) {}

OwnedShellPorts::~OwnedShellPorts() = default;

}  // namespace pelvane::shell
