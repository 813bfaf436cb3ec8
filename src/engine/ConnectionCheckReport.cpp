// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConnectionCheckReport.h"

#include "engine/CsvText.h"
#include "engine/JsonText.h"
#include "engine/ReportFile.h"
#include "settings/FileIo.h"

namespace pelvane::engine {

namespace {

std::string JsonEncrypted(const std::string& encrypted) {
  if (encrypted == "yes") return "true";
  if (encrypted == "no") return "false";
  return "null";
}

}  // namespace

std::string ConnectionCheckCsv(const std::vector<ConnectionCheckRow>& rows) {
  std::string text =
      CsvRecord({"Server", "Cause", "Detail", "Version", "Database", "Encrypted", "TLS version"});
  for (const ConnectionCheckRow& row : rows) {
    text += CsvRecord({row.server, ConnectionCauseText(row.cause), row.detail, row.version,
                       row.database, row.encrypted, row.tlsVersion});
  }
  return text;
}

std::string ConnectionCheckJson(const std::vector<ConnectionCheckRow>& rows) {
  std::string text = "{\"servers\": [";
  for (size_t i = 0; i < rows.size(); ++i) {
    const ConnectionCheckRow& row = rows[i];
    text += std::string(i == 0 ? "" : ",") + "\n  {\"server\": " + JsonString(row.server) +
            ", \"cause\": " + JsonString(ConnectionCauseText(row.cause)) +
            ", \"detail\": " + JsonString(row.detail) +
            ", \"version\": " + JsonString(row.version) +
            ", \"database\": " + JsonString(row.database) +
            ", \"encrypted\": " + JsonEncrypted(row.encrypted) +
            ", \"tlsVersion\": " + JsonString(row.tlsVersion) + "}";
  }
  return text + (rows.empty() ? "]}\n" : "\n]}\n");
}

Status WriteConnectionCheckReport(const std::string& path,
                                  const std::vector<ConnectionCheckRow>& rows) {
  Result<ReportFormat> format = ReportFormatOf(path);
  if (!format) return format.status();
  const std::string text =
      *format == ReportFormat::kCsv ? ConnectionCheckCsv(rows) : ConnectionCheckJson(rows);
  Result<settings::FileStamp> written = settings::ReplaceFileAtName(path, text);
  if (!written) return Status::Error(path + ": " + written.status().message());
  return Status::Ok();
}

std::string ConnectionCheckLine(const ConnectionCheckRow& row) {
  std::string line = row.server + ": " + ConnectionCauseText(row.cause);
  if (row.cause != ConnectionCause::kOk)
    return line + (row.detail.empty() ? "" : ": " + row.detail);
  std::string facts = row.version;
  if (!row.database.empty()) facts += (facts.empty() ? "" : "; ") + ("database " + row.database);
  if (!row.encrypted.empty())
    facts += (facts.empty() ? "" : "; ") +
             std::string(row.encrypted == "yes" ? "encrypted" : "not encrypted");
  if (!row.tlsVersion.empty()) facts += ", " + row.tlsVersion;
  if (!row.detail.empty()) facts += (facts.empty() ? "" : "; ") + row.detail;
  return facts.empty() ? line : line + " (" + facts + ")";
}

}  // namespace pelvane::engine
