// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

#include "settings/Status.h"

namespace pelvane::settings {

/// An exclusive advisory lock (flock) on a lock file beside a file, held for the life of the
/// object. Every writer of the settings file, in any process, takes it around read, change and
/// rename, so that no writer works from a copy that another is about to replace.
class FileLock {
 public:
  /// Waits up to `patience` for the lock. A lock that cannot be had in that time, or a lock
  /// file that cannot be created, is an error that says which.
  static Result<FileLock> Acquire(const std::string& file, std::chrono::milliseconds patience);

  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

/// The lock file that guards a file: its name with ".lock" appended, in the same folder.
std::string LockFileFor(const std::string& file);

/// How long a writer waits for another before it gives up with an error.
constexpr std::chrono::milliseconds kSettingsLockPatience{5000};

}  // namespace pelvane::settings
