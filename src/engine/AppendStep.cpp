// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/AppendStep.h"

#include "engine/MapDrive.h"
#include "engine/NetworkLogon.h"
#include "settings/ErrorNumbers.h"
#include "settings/ProfileText.h"

namespace pelvane::engine {

namespace {

using error_number::kBadFileName;
/// The classic error of cutting text at a position that is not there.
using error_number::kInvalidProcedureCall;

Status CannotCut() {
  return Status::Error("Invalid procedure call or argument", kInvalidProcedureCall);
}

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

/// Step 3: the clock's machine from the network path, else asked for and stored either way.
std::string ChooseGetTimeFrom(RunContext& run, const std::string& appendToFile) {
  const std::string& server = run.server.CurrentServer;
  std::string machine;
  if (HasUncPrefix(appendToFile)) {
    const size_t end = appendToFile.find_first_of("\\/", 2);
    if (end == std::string::npos) {
      run.ShowGeneralError(CannotCut());
    } else {
      machine = appendToFile.substr(2, end - 2);
    }
  } else {
    machine = settings::TrimBlanks(
        run.ports.host
            .AskText("Enter the Server to query for the Timestamp (Blank = Use Local System Time):",
                     "Remote Server Name for " + server + " process.", "")
            .value_or(""));
  }
  // Stored also when empty, so that the question comes back on the next run.
  if (Status saved = run.store.SaveINIValues(server, "GetTimeFrom", machine); !saved) {
    run.ShowGeneralError(saved);
  }
  return machine;
}

/// Fills "{Date}" and "{Time}" (exact case) from the stamp; an unreadable stamp fills nothing.
std::string ReplaceKeywords(RunContext& run, const std::string& text,
                            const std::optional<LocalDateTime>& stamp) {
  if (text.find("{Date}") == std::string::npos && text.find("{Time}") == std::string::npos) {
    return text;
  }
  const std::string& pattern = run.state.DateTimeFormat;
  std::string datePattern;
  std::string timePattern = pattern;
  if (const size_t blank = pattern.find(' '); blank == std::string::npos) {
    run.ShowGeneralError(CannotCut());
  } else {
    datePattern = pattern.substr(0, blank);
    timePattern = pattern.substr(blank + 1);
  }
  const std::string date = stamp ? FormatDateTime(datePattern, *stamp) : "";
  const std::string time = stamp ? FormatDateTime(timePattern, *stamp) : "";
  return ReplaceAll(ReplaceAll(text, "{Date}", date), "{Time}", time);
}

struct AppendText {
  std::string text;
  bool cancelled = false;
};

/// The keyword question; with servers side by side, once for the run behind its lock.
Answer AskAboutKeywords(RunContext& run) {
  auto ask = [&run] {
    return run.ports.host.AskYesNoCancel(
        "You have selected Add Timestamp Automatically and embedded {Date} and/or {Time} "
        "keywords in text. Do you want to include both? (Click Yes to include both, No to keep "
        "keywords or cancel to end process)",
        kProgramTitle);
  };
  auto clearBox = [&run] {
    run.ports.host.ClearAddTimeStamp();
    run.inputs.addTimeStamp = false;
  };
  if (run.timeStamp != nullptr) return run.timeStamp->Ask(ask, clearBox);
  const Answer answer = ask();
  if (answer == Answer::kNo) clearBox();
  return answer;
}

bool AddTimeStamp(const RunContext& run) {
  return run.timeStamp != nullptr ? run.timeStamp->AddTimeStamp() : run.inputs.addTimeStamp;
}

/// Step 6: the text to write, after the keyword question when the text and the box disagree.
AppendText ComposeText(RunContext& run, const std::optional<LocalDateTime>& stamp) {
  const std::string& T = run.inputs.appendTextText;
  const std::string stampText = stamp ? FormatDateTime(run.state.DateTimeFormat, *stamp) : "";
  const bool hasKeywords =
      T.find("{Date}") != std::string::npos || T.find("{Time}") != std::string::npos;

  if (hasKeywords && AddTimeStamp(run)) {
    const Answer answer = AskAboutKeywords(run);
    if (answer == Answer::kCancel) return {"", true};
    if (answer == Answer::kYes) return {stampText + "\t" + ReplaceKeywords(run, T, stamp), false};
    return {ReplaceKeywords(run, T, stamp), false};
  }
  if (AddTimeStamp(run)) return {stampText + "\t" + T, false};
  return {ReplaceKeywords(run, T, stamp), false};
}

}  // namespace

std::optional<LocalDateTime> GetRemoteTime(RemoteClock& clock, LogWindow& window,
                                           const std::string& server) {
  std::string machine;
  if (!settings::TrimBlanks(server).empty())
    machine = HasUncPrefix(server) ? server.substr(2) : server;
  if (const std::optional<RemoteTime> now = clock.CurrentTime(machine)) {
    // The machine's own local time, whatever time zone this machine is in.
    std::time_t shifted = now->utc - static_cast<std::time_t>(now->minutesWestOfUtc) * 60;
    std::tm parts{};
    gmtime_r(&shifted, &parts);
    return LocalDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                         parts.tm_min,         parts.tm_sec,     parts.tm_wday};
  }
  window.AppendText("ERROR while attempting to retrieve time from Remote Server, " + server +
                    ".  Server does not exist or access has not been granted, check server name "
                    "and try again.\r\n");
  return std::nullopt;
}

StepEnd RunAppendStep(RunContext& run) {
  run.Log("");
  const std::string& server = run.server.CurrentServer;
  const std::string AppendToFile = run.store.GetINIValue(server, "AppendToFile");
  std::string GetTimeFrom = run.store.GetINIValue(server, "GetTimeFrom");
  if (GetTimeFrom.empty()) GetTimeFrom = ChooseGetTimeFrom(run, AppendToFile);

  if (AppendToFile.empty()) {
    const std::string reason =
        "Append To file is not configured.  Enter a path and filename in Configure Servers / "
        "Copy File To.";
    run.StepFailed(reason);
    run.Log("*** " + reason);
    return StepEnd::kContinue;
  }

  std::optional<LocalDateTime> stamp;
  if (GetTimeFrom.empty()) {
    stamp = LocalNow();
  } else {
    // Through the run, so that a server processed beside others keeps the text in its block.
    TextLogWindow reason;
    stamp = GetRemoteTime(run.ports.clock, reason, GetTimeFrom);
    if (!stamp) {
      // The entry is still written, without its time; the run did not get what was asked of it.
      run.WindowText(reason.Text());
      std::string text = reason.Text();
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      run.StepFailed(text);
    }
  }

  const AppendText entry = ComposeText(run, stamp);
  if (entry.cancelled) {
    run.Log("Processed canceled by user.");
    return StepEnd::kEndRun;
  }

  const size_t cut = LastSeparator(AppendToFile);
  const std::string fileName =
      cut == std::string::npos ? AppendToFile : AppendToFile.substr(cut + 1);
  const std::string folder = cut == std::string::npos ? "" : AppendToFile.substr(0, cut);

  std::string TargetPath = folder;
  bool connected = false;
  if (!IsLocalPath(AppendToFile)) {
    const DriveConnection drive = ConnectServerFolder(run, folder);
    if (!drive.ConnectMessage.empty()) run.Log(drive.ConnectMessage);
    if (drive.DriveConnectError != connect_code::kConnected) {
      const std::string line = "Server: " + server + ", Append To --> UNSUCCESSFUL.";
      run.StepFailed(drive.ConnectMessage.empty() ? line : drive.ConnectMessage);
      run.Log(line);
      return StepEnd::kContinue;
    }
    TargetPath = drive.localName;
    connected = true;
  }

  const std::string savedLocalName = TargetPath;
  if (TargetPath.empty()) {
    TargetPath = AppendToFile;
  } else {
    if (!EndsWithSeparator(TargetPath)) TargetPath += SeparatorFor(TargetPath);
    TargetPath += fileName;
  }

  if (Status written = run.ports.shares.AppendText(TargetPath, entry.text); written) {
    run.Log(run.Timestamp() + ", Text appended to " + fileName + " --> SUCCESSFUL.");
  } else {
    run.StepFailed("Append Text Failed, could not open file, " + AppendToFile + ". " +
                   written.message());
    if (written.number() != kBadFileName) run.ShowGeneralError(written);
    run.ports.host.ShowMessage("Error opening file, " + AppendToFile +
                                   ", for Append.  Check to make sure file is available and try "
                                   "again.",
                               kProgramTitle, MessageIcon::kNone);
    run.Log("Append Text Failed, could not open file, " + AppendToFile +
            ", for Append.  Server: " + server + ".");
  }

  if (connected &&
      !DisconnectNetworkDrive(run.ports.shares, run.ports.sleeper, savedLocalName, false)) {
    run.Log("*** Could not disconnect drive, " + savedLocalName +
            ", used for Append To.  Files may be open, check manually. ***");
  }
  return StepEnd::kContinue;
}

}  // namespace pelvane::engine
