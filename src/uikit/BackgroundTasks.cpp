// SPDX-License-Identifier: GPL-3.0-or-later
#include "uikit/BackgroundTasks.h"

namespace pelvane::shell {

BackgroundTasks::~BackgroundTasks() {
  // The windows are gone; what the work reaches is destroyed after this.
  for (auto& entry : threads_) entry.second.join();
}

void BackgroundTasks::Join(int id) {
  auto found = threads_.find(id);
  if (found == threads_.end()) return;
  found->second.join();  // its last step was handing the result over: it ends at once
  threads_.erase(found);
}

}  // namespace pelvane::shell
