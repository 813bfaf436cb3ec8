// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "settings/ErrnoText.h"
#include "settings/ErrorNumbers.h"

namespace pelvane::settings {

std::string LockFileFor(const std::string& file) {
  return file + ".lock";
}

Result<FileLock> FileLock::Acquire(const std::string& file, std::chrono::milliseconds patience) {
  const std::string lockFile = LockFileFor(file);
  // 0600: the lock file holds nothing, but it sits beside a file of scrambled passwords.
  int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    int err = errno;
    return Status::Error("cannot write " + file + ": cannot create its lock file " + lockFile +
                             ": " + ErrnoText(err),
                         err == EACCES || err == EPERM || err == EROFS
                             ? error_number::kPermissionDenied
                             : error_number::kPathFileAccessError);
  }
  FileLock lock(fd);
  const auto deadline = std::chrono::steady_clock::now() + patience;
  // flock has no time limit of its own: poll, briefly, so that a waiting writer gets its turn
  // among busy ones.
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return lock;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      return Status::Error("cannot lock " + lockFile + ": " + ErrnoText(errno),
                           error_number::kPathFileAccessError);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return Status::Error("cannot write " + file + ": another program has held its lock file " +
                               lockFile + " for more than " +
                               std::to_string(patience.count() / 1000) +
                               " seconds; try again when it is done",
                           error_number::kPermissionDenied);
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(2000));
  }
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileLock::~FileLock() {
  // Closing the last descriptor releases the lock; the lock file stays for the next writer
  // (removing it would let two writers lock two different files of one name).
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace pelvane::settings
