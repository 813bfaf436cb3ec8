// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReportFile.h"

#include <cctype>

#include "engine/ReportCsv.h"
#include "engine/ReportJson.h"
#include "settings/FileIo.h"

namespace pelvane::engine {

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  if (text.size() < end.size()) return false;
  for (size_t i = 0; i < end.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i])
      return false;
  return true;
}

Status AboutFile(const std::string& path, const Status& error) {
  return Status::Error("Report file " + path + ": " + error.message(), error.number());
}

}  // namespace

Result<ReportFormat> ReportFormatOf(const std::string& path) {
  if (EndsWithNoCase(path, ".csv")) return ReportFormat::kCsv;
  if (EndsWithNoCase(path, ".json")) return ReportFormat::kJson;
  return Status::Error("The report file's name must end in .csv or .json: " + path,
                       kInvalidArgument);
}

Status WriteReportFile(const std::string& path, const RunReport& report) {
  Result<ReportFormat> format = ReportFormatOf(path);
  if (!format) return format.status();
  const std::string text =
      *format == ReportFormat::kCsv ? ReportToCsv(report) : ReportToJson(report);
  Result<settings::FileStamp> written = settings::ReplaceFileAtName(path, text);
  if (!written) return AboutFile(path, written.status());
  return Status::Ok();
}

Result<RunReport> ReadReportFile(const std::string& path) {
  Result<ReportFormat> format = ReportFormatOf(path);
  if (!format) return format.status();
  Result<settings::FileContent> content = settings::ReadFileBytes(path);
  if (!content) return AboutFile(path, content.status());
  Result<RunReport> report = *format == ReportFormat::kCsv ? ReportFromCsv(content->bytes)
                                                           : ReportFromJson(content->bytes);
  if (!report) return AboutFile(path, report.status());
  return report;
}

Result<ServersToRunAgain> ReadServersToRunAgain(const std::string& path,
                                                const std::vector<std::string>& listed) {
  Result<ReportFormat> format = ReportFormatOf(path);
  if (!format) return format.status();
  Result<settings::FileContent> content = settings::ReadFileBytes(path);
  if (!content) return AboutFile(path, content.status());
  RunAgainList again(listed);
  ReportColumns columns;
  double seconds = 0;
  auto take = [&again](ServerRow&& row) { return again.Add(row); };
  Status read = *format == ReportFormat::kCsv
                    ? ReadCsvReport(content->bytes, columns, take)
                    : ReadJsonReport(content->bytes, columns, seconds, take);
  if (!read) return AboutFile(path, read);
  return again.Take();
}

}  // namespace pelvane::engine
