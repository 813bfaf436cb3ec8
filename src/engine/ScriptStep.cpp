#include "engine/ScriptStep.h"

#include <algorithm>
#include <cctype>

#include "engine/LoginTest.h"
#include "engine/QueryToolFolder.h"
#include "engine/SplitList.h"
#include "settings/FileIo.h"

namespace pelvane::engine {

namespace {

constexpr char kToolMissingCaption[] = "Query Analyzer Not Installed";
constexpr char kToolMissingText[] =
    "The Pelvane Tool requires that Microsoft Query Analyzer be installed on this computer to "
    "vesk stored procedures.  Install Query Analyzer and try again.";
// isqlw's status when it could not connect or run the script at all; the reason is in the
// output file, without a "Server: Msg" line to judge by.
constexpr int kToolCouldNotRun = 2;
constexpr int kInvalidProcedureCall = 5;

bool ContainsNoCase(const std::string& text, const std::string& word) {
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  return std::search(text.begin(), text.end(), word.begin(), word.end(), same) != text.end();
}

std::string ToolMissingBanner() {
  std::string stars(30, '*');
  return stars + " Microsoft Query Analyzer Not Installed " + stars;
}

/// The script's own state while it goes through the steps of one script.
struct ScriptRun {
  RunContext& run;
  const std::string& script;
  bool failed = false;

  const std::string& server() const { return run.server.CurrentServer; }

  void Report() {
    run.Log(run.Timestamp() + ", Server: " + server() + ".");
    if (!failed) {
      run.Log("Vesk Process for " + script + " --> SUCCESSFUL.");
      return;
    }
    run.Log("Vesk process for " + script + " --> UNSUCCESSFUL.");
    run.anyFailure = true;
    failed = false;
  }

  /// The login check; false when the tool is not to be started.
  bool LoginAccepted() {
    const ServerContext& s = run.server;
    LoginCheck check = run.ports.sql.CheckLogin(
        {s.CurrentServer, s.CurrentLogin, s.CurrentPassword, s.CurrentDatabase});
    switch (check.kind) {
      case LoginCheckKind::kAccepted:
        return true;
      case LoginCheckKind::kUnreachable:
        run.Log("SQL Server does not exist or is not accessible. Server: " + server() + ".");
        failed = true;
        return false;
      case LoginCheckKind::kLoginRefused:
        run.Log("Login FAILED for user " + s.CurrentLogin + " on Server: " + server() + ".");
        failed = true;
        return false;
      case LoginCheckKind::kOtherError:
        run.ShowGeneralError(
            Status::Error(check.error.message, static_cast<int>(LoginErrorNumber(check))));
        return true;
    }
    return true;
  }

  void AskWhetherToGoOn() {
    const RunInputs& in = run.inputs;
    if (in.copyFile || in.appendText || in.restartServices) {
      Answer answer = run.ports.host.AskYesNo(
          std::string(kToolMissingText) + " Continue other tasks?", kToolMissingCaption);
      run.ContinueOtherSteps = answer == Answer::kYes;
    } else {
      run.ports.host.ShowMessage(kToolMissingText, kProgramTitle, MessageIcon::kCritical);
    }
    run.Log("");
    run.Log(ToolMissingBanner() + "\r\n" + kToolMissingText);
    run.QueryToolMissing = true;
  }

  void LogDetails(const std::string& outputText) {
    run.Log("Server: [" + server() + "] @ " + run.Timestamp());
    for (const std::string& field : ReadDelimitedFields(outputText)) run.Log(field);
  }

  /// The error policy of "MessagesTo" and WhenOccurs for a failed script.
  ScriptsEnd ApplyErrorPolicy(const std::string& outputText) {
    const ServerContext& s = run.server;
    if (s.MessagesTo == "Window") {
      switch (s.WhenOccurs) {
        case 1:
          LogDetails(outputText);
          break;
        case 2:
          LogDetails(outputText);
          run.anyFailure = true;  // its report line is skipped
          return ScriptsEnd::kBreak;
        case 3:
          run.anyFailure = true;
          run.Log("");
          run.Log("Server: [" + server() + "] @ " + run.Timestamp());
          run.Log(run.Timestamp() + ", Server: " + server());
          return ScriptsEnd::kEndRun;
        default:
          break;
      }
    } else if (s.WhenOccurs == 1) {
      LogDetails(outputText);
    }
    Report();
    return ScriptsEnd::kContinue;
  }

  ScriptsEnd Run() {
    const std::string& outputFile = run.state.QueryOutputFile;
    QueryToolCommand command = BuildQueryToolCommand(run.server, script, outputFile);
    if (Status removed = settings::RemoveFile(outputFile); !removed) run.ShowGeneralError(removed);
    run.Log(LogSeparator());
    if (!LoginAccepted()) {
      Report();
      return ScriptsEnd::kContinue;
    }

    ProcessOutcome outcome =
        run.ports.processes.RunAndWait(command.program, command.arguments, command.environment);
    if (outcome.kind == ProcessOutcome::Kind::kNotFound) AskWhetherToGoOn();
    if (run.QueryToolMissing) {
      if (!run.ContinueOtherSteps) return ScriptsEnd::kEndRun;
      failed = true;
      Report();
      return ScriptsEnd::kContinue;
    }
    if (outcome.kind == ProcessOutcome::Kind::kFailedToStart) {
      run.ports.host.ShowMessage("Error: " + std::to_string(kInvalidProcedureCall) + ", " +
                                     outcome.message +
                                     ", detected in Shell subroutine.  Contact Support",
                                 kProgramTitle, MessageIcon::kNone);
    }

    Result<std::string> output = ReadWholeFile(outputFile);
    if (!output) {
      run.Log("The query tool wrote no output for " + script + " on Server: " + server() + ".");
      failed = true;
      Report();
      return ScriptsEnd::kContinue;
    }
    bool toolFailed =
        (outcome.kind == ProcessOutcome::Kind::kExited && outcome.exitCode == kToolCouldNotRun) ||
        outcome.kind == ProcessOutcome::Kind::kKilled;
    if (!toolFailed && !OutputShowsFailure(JoinOutputLines(*output))) {
      Report();
      return ScriptsEnd::kContinue;
    }
    failed = true;
    run.Log("Error in Vesk Process: ");
    return ApplyErrorPolicy(*output);
  }
};

}  // namespace

QueryToolCommand BuildQueryToolCommand(const ServerContext& server, const std::string& script,
                                       const std::string& outputFile) {
  QueryToolCommand command;
  command.program = server.QueryToolFolder + kQueryToolName;
  command.arguments = {"-S", server.CurrentServer,
                       "-d", server.CurrentDatabase,
                       "-U", server.CurrentLogin,
                       "-i", script,
                       "-o", outputFile};
  command.environment = {{"SQLCMDPASSWORD", server.CurrentPassword}};
  return command;
}

std::string JoinOutputLines(const std::string& fileText) {
  std::string joined;
  joined.reserve(fileText.size());
  for (char c : fileText) {
    if (c != '\r' && c != '\n') joined += c;
  }
  return joined;
}

bool OutputShowsFailure(const std::string& joinedOutput) {
  return !ContainsNoCase(joinedOutput, "SUCCESSFUL") && ContainsNoCase(joinedOutput, "Server: Msg");
}

std::vector<std::string> ReadDelimitedFields(const std::string& text) {
  std::vector<std::string> fields;
  size_t i = 0;
  const size_t n = text.size();
  auto atLineBreak = [&](size_t k) { return text[k] == '\r' || text[k] == '\n'; };
  auto skipLineBreak = [&] {
    if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    ++i;
  };
  while (i < n) {
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string field;
    if (i < n && text[i] == '"') {
      size_t close = text.find('"', i + 1);
      if (close == std::string::npos) close = n;
      field = text.substr(i + 1, close - i - 1);
      i = std::min(close + 1, n);
      while (i < n && text[i] != ',' && !atLineBreak(i)) ++i;
    } else {
      size_t start = i;
      while (i < n && text[i] != ',' && !atLineBreak(i)) ++i;
      field = text.substr(start, i - start);
    }
    fields.push_back(field);
    if (i >= n) break;
    if (text[i] == ',') {
      ++i;
      if (i == n) fields.emplace_back();  // a comma at the very end leaves one empty field
    } else {
      skipLineBreak();
    }
  }
  return fields;
}

ScriptsEnd RunScripts(RunContext& run) {
  if (run.inputs.scriptText.empty()) {
    run.Log("No script(s) to vesk.");
    return ScriptsEnd::kContinue;
  }
  Result<std::vector<std::string>> scripts = SplitList(run.inputs.scriptText);
  if (!scripts) {
    run.Log("Script list has more than " + std::to_string(kMaxListItems) +
            " items; scripts skipped for Server: " + run.server.CurrentServer + ".");
    run.anyFailure = true;
    return ScriptsEnd::kContinue;
  }
  for (const std::string& script : *scripts) {
    ScriptRun one{run, script};
    if (ScriptsEnd end = one.Run(); end != ScriptsEnd::kContinue) return end;
  }
  return ScriptsEnd::kContinue;
}

}  // namespace pelvane::engine
