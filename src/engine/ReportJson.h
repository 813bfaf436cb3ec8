// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
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

/// ReportFromJson a server at a time: the columns and the run's seconds, then each row handed
/// to take as it is read, so that a large report is never held as a document or as rows. An
/// error of take ends the reading.
Status ReadJsonReport(const std::string& text, ReportColumns& columns, double& seconds,
                      const std::function<Status(ServerRow&&)>& take);

}  // namespace pelvane::engine
