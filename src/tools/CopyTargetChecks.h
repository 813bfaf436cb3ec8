// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "engine/ports/NetworkShares.h"

namespace pelvane::tools {

/// The Remote Server box after the Append To box is left. A network path names a machine; when
/// that differs from the box (case counts), `ask` is given the question, and the machine is
/// taken when it answers yes or when the box was empty.
std::string RemoteServerForAppendPath(const std::string& appendTo, const std::string& remote,
                                      const std::function<bool(const std::string&)>& ask);

/// Test Connection of a copy folder: a network folder is connected to as a copy would and
/// disconnected again, a local one only looked for. The outcome in words.
std::string TestCopyConnection(engine::NetworkShares& shares, const std::string& copyPath,
                               const std::string& login, const std::string& password);

}  // namespace pelvane::tools
