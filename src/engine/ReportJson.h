#pragma once

#include <string>

#include "engine/RunReport.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// The report as a JSON document in UTF-8: the script list, the included steps, the run's
/// seconds and summary, and one object per server with its cells.
std::string ReportToJson(const RunReport& report);

/// A report written by ReportToJson. Only "servers" with each server's "server" and "result" is
/// required; every member present must have its type.
Result<RunReport> ReportFromJson(const std::string& text);

}  // namespace pelvane::engine
