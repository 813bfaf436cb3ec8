// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/RunReport.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// The report as RFC 4180 CSV in UTF-8: a header record, then one record per server with its
/// position, name, result, login check, five fields per script (the verdict under "Script k:
/// <path>", then its error number, severity, error text and seconds), the verdict and detail of
/// each included step, and its seconds. The run's own time is not part of it.
std::string ReportToCsv(const RunReport& report);

/// A report written by ReportToCsv, or a sheet with at least the "Server" and "Result" columns
/// (other columns it does not know are ignored). A UTF-8 byte-order mark is skipped.
Result<RunReport> ReportFromCsv(const std::string& text);

/// ReportFromCsv a row at a time: the columns, then each row handed to take as it is read, so
/// that a large report is never held as rows. An error of take ends the reading.
Status ReadCsvReport(std::string_view text, ReportColumns& columns,
                     const std::function<Status(ServerRow&&)>& take);

}  // namespace pelvane::engine
