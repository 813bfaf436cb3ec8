// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RunReportColumns.h"

#include "engine/SplitList.h"

namespace pelvane::engine {

ReportColumns ReportColumnsFor(const RunInputs& inputs) {
  ReportColumns columns;
  if (inputs.simpleScriptMode) {
    columns.simpleScript = !inputs.simpleScriptText.empty();
    return columns;
  }
  // Without a script text the run runs no script: split, it would read as one empty path.
  if (!inputs.scriptText.empty()) {
    if (Result<std::vector<std::string>> scripts = SplitList(inputs.scriptText))
      columns.scripts = *scripts;
  }
  columns.copy = inputs.copyFile;
  columns.append = inputs.appendText;
  columns.service = inputs.restartServices;
  return columns;
}

}  // namespace pelvane::engine
