// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemSleeper.h"

#include <chrono>
#include <thread>

namespace pelvane::platform {

void SystemSleeper::SleepMs(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace pelvane::platform
