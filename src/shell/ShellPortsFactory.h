// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "uikit/ShellContext.h"

namespace pelvane::shell {

/// The real implementations of the ports, owned together; `ports` refers to them.
class OwnedShellPorts {
 public:
  OwnedShellPorts();
  ~OwnedShellPorts();
  ShellPorts& ports() { return *ports_; }

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
  std::unique_ptr<ShellPorts> ports_;
};

}  // namespace pelvane::shell
