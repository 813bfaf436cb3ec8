// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReportJson.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "engine/JsonText.h"

namespace pelvane::engine {

namespace {

using Kind = JsonValue::Kind;

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

std::string Member(const std::string& name, const std::string& value) {
  return JsonString(name) + ": " + value;
}

std::string Object(const std::vector<std::string>& members) {
  std::string text = "{";
  for (size_t i = 0; i < members.size(); ++i) text += (i ? ", " : "") + members[i];
  return text + "}";
}

std::string Array(const std::vector<std::string>& items, const std::string& indent) {
  if (items.empty()) return "[]";
  std::string text = "[";
  for (size_t i = 0; i < items.size(); ++i) text += (i ? ",\n" : "\n") + indent + "  " + items[i];
  return text + "\n" + indent + "]";
}

std::string RowJson(const ServerRow& row, const ReportColumns& columns) {
  std::vector<std::string> scripts;
  for (size_t k = 0; k < columns.scripts.size(); ++k) {
    const ScriptCell cell = k < row.scripts.size() ? row.scripts[k] : ScriptCell{};
    scripts.push_back(Object({Member("verdict", JsonString(VerdictName(cell.verdict))),
                              Member("errorNumber", std::to_string(cell.errorNumber)),
                              Member("severity", std::to_string(cell.severity)),
                              Member("error", JsonString(cell.error)),
                              Member("seconds", Seconds(cell.seconds))}));
  }
  std::vector<std::string> steps;
  for (StepKind step : kAllSteps) {
    if (!columns.Includes(step)) continue;
    steps.push_back(Member(
        StepName(step), Object({Member("verdict", JsonString(VerdictName(row.Step(step).verdict))),
                                Member("detail", JsonString(row.Step(step).detail))})));
  }
  return Object(
      {Member("position", std::to_string(row.position)), Member("server", JsonString(row.server)),
       Member("result", JsonString(VerdictName(row.result))),
       Member("login", JsonString(LoginResultName(row.login))),
       Member("loginError", JsonString(row.loginError)), Member("seconds", Seconds(row.seconds)),
       Member("scripts", Array(scripts, "    ")), Member("steps", Object(steps))});
}

Status ReportError(const std::string& what) {
  return Status::Error("The report " + what + ".", kInvalidArgument);
}

/// Reads the members of one object by name and type, remembering the first that does not fit.
class Reader {
 public:
  Reader(const JsonValue& object, std::string where) : object_(object), where_(std::move(where)) {
    if (object.kind != Kind::kObject) Fail("is no object");
  }

  const JsonValue* Get(const char* name, Kind kind, bool required = false) {
    const JsonValue* value = object_.kind == Kind::kObject ? object_.Find(name) : nullptr;
    if (!value) {
      if (required) Fail(std::string("lacks \"") + name + "\"");
      return nullptr;
    }
    if (value->kind != kind) {
      Fail(std::string("has a \"") + name + "\" of the wrong type");
      return nullptr;
    }
    return value;
  }
  void Text(const char* name, std::string& out, bool required = false) {
    if (const JsonValue* v = Get(name, Kind::kString, required)) out = v->text;
  }
  void Seconds(const char* name, double& out) {
    if (const JsonValue* v = Get(name, Kind::kNumber)) out = v->number;
  }
  template <class T>
  void Whole(const char* name, T& out) {
    const JsonValue* v = Get(name, Kind::kNumber);
    if (!v) return;
    if (v->number != std::floor(v->number) || std::fabs(v->number) > 2147483647.0)
      return Fail(std::string("has a \"") + name + "\" that is no whole number");
    out = static_cast<T>(v->number);
  }
  template <class T>
  void Named(const char* name, T& out, std::optional<T> (*parse)(const std::string&),
             bool required = false) {
    std::string text;
    const JsonValue* v = Get(name, Kind::kString, required);
    if (!v) return;
    if (std::optional<T> value = parse(v->text))
      out = *value;
    else
      Fail(std::string("has an unknown \"") + name + "\" \"" + v->text + "\"");
  }
  void Fail(const std::string& what) {
    if (status_.ok()) status_ = ReportError(where_ + " " + what);
  }
  const Status& status() const { return status_; }

 private:
  const JsonValue& object_;
  std::string where_;
  Status status_ = Status::Ok();
};

Status ReadRow(const JsonValue& value, size_t index, const ReportColumns& columns, ServerRow& row) {
  Reader reader(value, "server " + std::to_string(index + 1));
  reader.Whole("position", row.position);
  reader.Text("server", row.server, true);
  reader.Named("result", row.result, &VerdictFromName, true);
  reader.Named("login", row.login, &LoginResultFromName);
  reader.Text("loginError", row.loginError);
  reader.Seconds("seconds", row.seconds);
  if (reader.status().ok() && row.server.empty()) reader.Fail("has no server name");

  row.scripts.resize(columns.scripts.size());
  if (const JsonValue* scripts = reader.Get("scripts", Kind::kArray)) {
    if (scripts->items.size() != columns.scripts.size())
      reader.Fail("has " + std::to_string(scripts->items.size()) + " scripts where the run has " +
                  std::to_string(columns.scripts.size()));
    for (size_t k = 0; k < scripts->items.size() && k < row.scripts.size(); ++k) {
      Reader cell(scripts->items[k],
                  "server " + std::to_string(index + 1) + " script " + std::to_string(k + 1));
      ScriptCell& out = row.scripts[k];
      cell.Named("verdict", out.verdict, &VerdictFromName, true);
      cell.Whole("errorNumber", out.errorNumber);
      cell.Whole("severity", out.severity);
      cell.Text("error", out.error);
      cell.Seconds("seconds", out.seconds);
      if (!cell.status().ok()) return cell.status();
    }
  }
  if (const JsonValue* steps = reader.Get("steps", Kind::kObject)) {
    for (const auto& [name, stepValue] : steps->members) {
      std::optional<StepKind> step = StepFromName(name);
      if (!step || !columns.Includes(*step)) {
        reader.Fail("has a step \"" + name + "\" that the run does not include");
        break;
      }
      Reader cell(stepValue, "server " + std::to_string(index + 1) + " step " + name);
      cell.Named("verdict", row.Step(*step).verdict, &VerdictFromName, true);
      cell.Text("detail", row.Step(*step).detail);
      if (!cell.status().ok()) return cell.status();
    }
  }
  return reader.status();
}

}  // namespace

std::string ReportToJson(const RunReport& report) {
  const ReportColumns& columns = report.columns;
  std::vector<std::string> scripts, steps, rows;
  for (const std::string& script : columns.scripts) scripts.push_back(JsonString(script));
  for (StepKind step : kAllSteps)
    if (columns.Includes(step)) steps.push_back(JsonString(StepName(step)));
  for (const ServerRow& row : report.rows) rows.push_back(RowJson(row, columns));
  const RunSummary summary = Summarize(report);
  const std::string summaryJson = Object({Member("succeeded", std::to_string(summary.succeeded)),
                                          Member("failed", std::to_string(summary.failed)),
                                          Member("notRun", std::to_string(summary.notRun)),
                                          Member("line", JsonString(SummaryLine(summary)))});
  return "{\n  " + Member("scripts", Array(scripts, "  ")) + ",\n  " +
         Member("steps", Array(steps, "  ")) + ",\n  " +
         Member("seconds", Seconds(report.seconds)) + ",\n  " + Member("summary", summaryJson) +
         ",\n  " + Member("servers", Array(rows, "  ")) + "\n}\n";
}

Result<RunReport> ReportFromJson(const std::string& text) {
  RunReport report;
  Status read = ReadJsonReport(text, report.columns, report.seconds, [&report](ServerRow&& row) {
    report.rows.push_back(std::move(row));
    return Status::Ok();
  });
  if (!read) return read;
  return report;
}

Status ReadJsonReport(const std::string& text, ReportColumns& columns, double& seconds,
                      const std::function<Status(ServerRow&&)>& take) {
  // First the document without its servers, for the columns every row is read against; then
  // the servers, one at a time.
  Result<JsonValue> document =
      ParseJson(text, "servers", [](size_t, JsonValue&&) { return Status::Ok(); });
  if (!document) return document.status();
  RunReport report;
  Reader reader(*document, "document");
  if (const JsonValue* scripts = reader.Get("scripts", Kind::kArray)) {
    for (const JsonValue& script : scripts->items) {
      if (script.kind != Kind::kString) return ReportError("has a script that is no text");
      report.columns.scripts.push_back(script.text);
    }
  }
  if (const JsonValue* steps = reader.Get("steps", Kind::kArray)) {
    for (const JsonValue& step : steps->items) {
      std::optional<StepKind> kind =
          step.kind == Kind::kString ? StepFromName(step.text) : std::nullopt;
      if (!kind) return ReportError("has an unknown step");
      report.columns.Include(*kind);
    }
  }
  reader.Seconds("seconds", report.seconds);
  reader.Get("servers", Kind::kArray, true);
  if (!reader.status().ok()) return reader.status();
  columns = report.columns;
  seconds = report.seconds;
  Result<JsonValue> again = ParseJson(text, "servers", [&](size_t index, JsonValue&& item) {
    ServerRow row;
    if (Status s = ReadRow(item, index, columns, row); !s) return s;
    return take(std::move(row));
  });
  return again ? Status::Ok() : again.status();
}

}  // namespace pelvane::engine
