// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <memory>
#include <string>

namespace pelvane::shell {

/// One running copy of the desktop program per settings file: a lock file beside it, held
/// while the program runs and released by the system if the program dies.
class SingleInstance {
 public:
  explicit SingleInstance(const std::string& settingsFile);
  /// False when another copy holds the lock. A folder where no lock can be made does not stop
  /// the program: it then runs unguarded.
  bool Acquired() const { return acquired_; }

 private:
  std::unique_ptr<QLockFile> lock_;
  bool acquired_ = true;
};

/// The message the second copy shows before it ends.
constexpr char kAlreadyRunningText[] =
    "The Pelvane Tool is already running!  Check the system tray.";

}  // namespace pelvane::shell
