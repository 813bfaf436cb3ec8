// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/ports/ServiceControl.h"

namespace pelvane::engine {

/// How a service state is shown: its name in the log and the dialogs, and the text colour of
/// the status label as the system encodes it (0x00BBGGRR).
struct ServiceStateLook {
  ServiceState state;
  const char* name;
  std::uint32_t colour;
};

/// The look of a state; nullopt for kUnknown and anything else that is not a state (shown
/// as an empty name, and the label keeps its colour).
std::optional<ServiceStateLook> LookOf(ServiceState state);

/// The state's name; empty for kUnknown.
std::string ServiceStateName(ServiceState state);

}  // namespace pelvane::engine
