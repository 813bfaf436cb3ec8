// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace pelvane::engine {

/// The run's pauses (drive disconnects, service restarts), so that tests need not wait.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void SleepMs(int milliseconds) = 0;
};

}  // namespace pelvane::engine
