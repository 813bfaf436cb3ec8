// SPDX-License-Identifier: GPL-3.0-or-later
#include "uikit/RunResume.h"

namespace pelvane::shell {

bool MayContinueWith(const engine::RunInputs& then, const engine::RunInputs& now) {
  return now.processServers == then.processServers && now.scriptText == then.scriptText &&
         now.copyFileText == then.copyFileText && now.copyFile == then.copyFile &&
         now.overwriteFile == then.overwriteFile && now.appendText == then.appendText &&
         now.restartServices == then.restartServices;
}

}  // namespace pelvane::shell
