// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReportCsv.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>

#include "engine/CsvText.h"
#include "engine/JsonText.h"

namespace pelvane::engine {

namespace {

constexpr char kScriptPrefix[] = "Script ";

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

std::string NumberOrEmpty(long number) {
  return number == 0 ? "" : std::to_string(number);
}

std::string ScriptHead(size_t index) {
  return kScriptPrefix + std::to_string(index + 1);
}

Status ReportError(const std::string& what) {
  return Status::Error("The report " + what + ".", kInvalidArgument);
}

/// Where each known column of the header lies.
struct Layout {
  std::optional<size_t> position, server, result, login, loginError, seconds;
  struct ScriptColumns {
    std::optional<size_t> verdict, number, severity, error, seconds;
  };
  std::map<size_t, ScriptColumns> scripts;  // by 0-based script index
  std::map<size_t, std::string> scriptPaths;
  std::map<StepKind, std::pair<std::optional<size_t>, std::optional<size_t>>> steps;
};

/// "Script k: <path>" or "Script k <what>"; k counts from 1.
bool ReadScriptHead(const std::string& head, size_t column, Layout& layout) {
  if (head.rfind(kScriptPrefix, 0) != 0) return false;
  size_t at = sizeof kScriptPrefix - 1;
  size_t k = 0;
  const auto [end, error] = std::from_chars(head.data() + at, head.data() + head.size(), k);
  if (error != std::errc() || k == 0 || k > 100000) return false;
  at = static_cast<size_t>(end - head.data());
  const std::string rest = head.substr(at);
  Layout::ScriptColumns& script = layout.scripts[k - 1];
  if (rest.rfind(": ", 0) == 0) {
    script.verdict = column;
    layout.scriptPaths[k - 1] = rest.substr(2);
  } else if (rest == " Error Number") {
    script.number = column;
  } else if (rest == " Severity") {
    script.severity = column;
  } else if (rest == " Error") {
    script.error = column;
  } else if (rest == " Seconds") {
    script.seconds = column;
  } else {
    return false;
  }
  return true;
}

Result<Layout> ReadHeader(const std::vector<std::string>& header) {
  Layout layout;
  const std::map<std::string, std::optional<size_t> Layout::*> fixed = {
      {"Position", &Layout::position},      {"Server", &Layout::server},
      {"Result", &Layout::result},          {"Login", &Layout::login},
      {"Login Error", &Layout::loginError}, {"Seconds", &Layout::seconds}};
  for (size_t column = 0; column < header.size(); ++column) {
    const std::string& head = header[column];
    if (auto it = fixed.find(head); it != fixed.end()) {
      if (layout.*(it->second)) return ReportError("has two \"" + head + "\" columns");
      layout.*(it->second) = column;
    } else if (ReadScriptHead(head, column, layout)) {
    } else if (head.size() > 7 && head.compare(head.size() - 7, 7, " Detail") == 0 &&
               StepFromName(head.substr(0, head.size() - 7))) {
      layout.steps[*StepFromName(head.substr(0, head.size() - 7))].second = column;
    } else if (std::optional<StepKind> step = StepFromName(head)) {
      layout.steps[*step].first = column;
    }
  }
  if (!layout.server || !layout.result)
    return ReportError("lacks a \"Server\" or \"Result\" column");
  for (size_t k = 0; k < layout.scripts.size(); ++k)
    if (!layout.scriptPaths.count(k))
      return ReportError("lacks the column \"" + ScriptHead(k) + ": <script>\"");
  return layout;
}

template <class T>
std::optional<T> Whole(const std::string& text) {
  if (text.empty()) return T{};
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

/// Reads the record into row; names the first field that does not read.
Status ReadRow(const std::vector<std::string>& record, const Layout& layout, size_t number,
               ServerRow& row) {
  auto field = [&](const std::optional<size_t>& column) {
    return column ? record[*column] : std::string();
  };
  auto bad = [&](const std::string& what) {
    return ReportError("record " + std::to_string(number) + " has " + what);
  };
  std::optional<int> position = Whole<int>(field(layout.position));
  if (!position) return bad("a position that is no number");
  row.position = *position;
  row.server = field(layout.server);
  if (row.server.empty()) return bad("no server name");
  std::optional<Verdict> result = VerdictFromName(field(layout.result));
  if (!result) return bad("an unknown result \"" + field(layout.result) + "\"");
  row.result = *result;
  std::optional<LoginResult> login = LoginResultFromName(field(layout.login));
  if (!login) return bad("an unknown login result \"" + field(layout.login) + "\"");
  row.login = *login;
  row.loginError = field(layout.loginError);
  std::optional<double> seconds = Whole<double>(field(layout.seconds));
  if (!seconds) return bad("seconds that are no number");
  row.seconds = *seconds;

  row.scripts.resize(layout.scripts.size());
  for (const auto& [k, columns] : layout.scripts) {
    ScriptCell& cell = row.scripts[k];
    std::optional<Verdict> verdict = VerdictFromName(field(columns.verdict));
    std::optional<long> errorNumber = Whole<long>(field(columns.number));
    std::optional<int> severity = Whole<int>(field(columns.severity));
    std::optional<double> cellSeconds = Whole<double>(field(columns.seconds));
    if (!verdict || !errorNumber || !severity || !cellSeconds)
      return bad("a field of " + ScriptHead(k) + " that does not read");
    cell.verdict = *verdict;
    cell.errorNumber = *errorNumber;
    cell.severity = *severity;
    cell.error = field(columns.error);
    cell.seconds = *cellSeconds;
  }
  for (const auto& [step, columns] : layout.steps) {
    std::optional<Verdict> verdict = VerdictFromName(field(columns.first));
    if (!verdict) return bad("an unknown " + StepName(step) + " verdict");
    row.Step(step).verdict = *verdict;
    row.Step(step).detail = field(columns.second);
  }
  return Status::Ok();
}

}  // namespace

std::string ReportToCsv(const RunReport& report) {
  const ReportColumns& columns = report.columns;
  std::vector<std::string> header = {"Position", "Server", "Result", "Login", "Login Error"};
  for (size_t k = 0; k < columns.scripts.size(); ++k) {
    header.push_back(ScriptHead(k) + ": " + columns.scripts[k]);
    for (const char* what : {" Error Number", " Severity", " Error", " Seconds"})
      header.push_back(ScriptHead(k) + what);
  }
  for (StepKind step : kAllSteps) {
    if (!columns.Includes(step)) continue;
    header.push_back(StepName(step));
    header.push_back(StepName(step) + " Detail");
  }
  header.push_back("Seconds");

  std::string text;
  auto add = [&text](std::vector<std::string> fields) {
    for (std::string& field : fields) field = ToValidUtf8(field);
    text += CsvRecord(fields);
  };
  add(header);
  for (const ServerRow& row : report.rows) {
    std::vector<std::string> fields = {std::to_string(row.position), row.server,
                                       VerdictName(row.result), LoginResultName(row.login),
                                       row.loginError};
    for (size_t k = 0; k < columns.scripts.size(); ++k) {
      const ScriptCell cell = k < row.scripts.size() ? row.scripts[k] : ScriptCell{};
      fields.insert(fields.end(),
                    {VerdictName(cell.verdict), NumberOrEmpty(cell.errorNumber),
                     NumberOrEmpty(cell.severity), cell.error, Seconds(cell.seconds)});
    }
    for (StepKind step : kAllSteps) {
      if (!columns.Includes(step)) continue;
      fields.push_back(VerdictName(row.Step(step).verdict));
      fields.push_back(row.Step(step).detail);
    }
    fields.push_back(Seconds(row.seconds));
    add(std::move(fields));
  }
  return text;
}

Result<RunReport> ReportFromCsv(const std::string& text) {
  RunReport report;
  Status read = ReadCsvReport(text, report.columns, [&report](ServerRow&& row) {
    report.rows.push_back(std::move(row));
    return Status::Ok();
  });
  if (!read) return read;
  return report;
}

Status ReadCsvReport(std::string_view text, ReportColumns& columns,
                     const std::function<Status(ServerRow&&)>& take) {
  std::string_view rest = text;
  if (rest.rfind("\xEF\xBB\xBF", 0) == 0) rest.remove_prefix(3);
  // Record by record: a large report is held as its text and its rows, never as both the
  // text's records and the rows.
  CsvReader reader(rest);
  std::vector<std::string> record;
  Result<bool> read = reader.Next(record);
  if (!read) return read.status();
  if (!*read) return ReportError("is empty");
  Result<Layout> layout = ReadHeader(record);
  if (!layout) return layout.status();

  columns = ReportColumns{};
  for (size_t k = 0; k < layout->scriptPaths.size(); ++k)
    columns.scripts.push_back(layout->scriptPaths.at(k));
  for (const auto& entry : layout->steps) columns.Include(entry.first);
  const size_t width = record.size();
  for (size_t number = 2;; ++number) {
    read = reader.Next(record);
    if (!read) return read.status();
    if (!*read) break;
    if (record.size() == 1 && record[0].empty()) continue;  // a blank line
    if (record.size() != width)
      return ReportError("record " + std::to_string(number) + " has " +
                         std::to_string(record.size()) + " fields where its header has " +
                         std::to_string(width));
    ServerRow row;
    if (Status s = ReadRow(record, *layout, number, row); !s) return s;
    if (Status s = take(std::move(row)); !s) return s;
  }
  return Status::Ok();
}

}  // namespace pelvane::engine
