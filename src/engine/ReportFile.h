// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/RunReport.h"
#include "settings/Status.h"

namespace pelvane::engine {

enum class ReportFormat { kCsv, kJson };

/// The format a report file's name asks for: ".csv" or ".json" in any letter case.
Result<ReportFormat> ReportFormatOf(const std::string& path);

/// Writes the report in the format of the file's name, replacing the file whole: a reader sees
/// the old file or the new one, never a part.
Status WriteReportFile(const std::string& path, const RunReport& report);

/// Reads a report file in the format of its name. Every failure (no such file, a name that is
/// neither .csv nor .json, text that does not parse) names the file.
Result<RunReport> ReadReportFile(const std::string& path);

/// The servers to run again from a report file (ServersToRunAgainFrom), read a row at a time
/// so that its rows are never held. Errors name the file.
Result<ServersToRunAgain> ReadServersToRunAgain(const std::string& path,
                                                const std::vector<std::string>& listed);

}  // namespace pelvane::engine
