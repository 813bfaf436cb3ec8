// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SingleInstance.h"

namespace pelvane::shell {

SingleInstance::SingleInstance(const std::string& settingsFile)
    : lock_(std::make_unique<QLockFile>(QString::fromStdString(settingsFile + ".instance"))) {
  lock_->setStaleLockTime(0);  // only a dead holder's lock is stale
  if (lock_->tryLock(0)) return;
  acquired_ = lock_->error() != QLockFile::LockFailedError;
}

}  // namespace pelvane::shell
