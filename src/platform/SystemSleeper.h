// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/ports/Sleeper.h"

namespace pelvane::platform {

/// Pauses the calling thread.
class SystemSleeper : public engine::Sleeper {
 public:
  void SleepMs(int milliseconds) override;
};

}  // namespace pelvane::platform
