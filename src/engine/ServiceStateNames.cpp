// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ServiceStateNames.h"

namespace pelvane::engine {

namespace {

// One table for the log and the service dialogs.
constexpr ServiceStateLook kLooks[] = {
    {ServiceState::kStopped, "Stopped", 0x0000FF},
    {ServiceState::kStartPending, "Start Pending", 0x80FF80},
    {ServiceState::kStopPending, "Stop Pending", 0x8080FF},
    {ServiceState::kRunning, "Running", 0x00C000},
    {ServiceState::kContinuePending, "Continue Pending", 0x00FFFF},
    {ServiceState::kPausePending, "Pause Pending", 0xFF8080},
    {ServiceState::kPaused, "Paused", 0xFF0000},
};

}  // namespace

std::optional<ServiceStateLook> LookOf(ServiceState state) {
  for (const ServiceStateLook& look : kLooks) {
    if (look.state == state) return look;
  }
  return std::nullopt;
}

std::string ServiceStateName(ServiceState state) {
  const std::optional<ServiceStateLook> look = LookOf(state);
  return look ? look->name : "";
}

}  // namespace pelvane::engine
