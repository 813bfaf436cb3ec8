// SPDX-License-Identifier: GPL-3.0-or-later
// The report reader takes any text without crashing; what it reads back writes and reads again
// to the same report.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/ReportCsv.h"
#include "engine/ReportJson.h"
#include "engine/RunReport.h"

using namespace pelvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (bool csv : {true, false}) {
    Result<engine::RunReport> report =
        csv ? engine::ReportFromCsv(text) : engine::ReportFromJson(text);
    if (!report) continue;
    const std::string written = engine::ReportToCsv(*report);
    Result<engine::RunReport> again = engine::ReportFromCsv(written);
    if (!again || engine::ReportToCsv(*again) != written) std::abort();
    // The servers to run again are found among the report's own names.
    std::vector<std::string> listed;
    for (const engine::ServerRow& row : again->rows) listed.push_back(row.server);
    (void)engine::ServersToRunAgainFrom(*again, listed);
  }
  return 0;
}
