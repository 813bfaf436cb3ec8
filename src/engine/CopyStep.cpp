// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CopyStep.h"

#include "engine/MapDrive.h"
#include "engine/NetworkLogon.h"
#include "engine/SplitList.h"
#include "settings/ErrorNumbers.h"

namespace pelvane::engine {

namespace {

/// The classic error of cutting a name out of a path that holds no folder separator.
using error_number::kInvalidProcedureCall;

/// Failures that come from the credentials; the hint about the path would mislead for them.
bool IsCredentialFailure(int code) {
  return code == connect_code::kSessionCredentialConflict || code == connect_code::kAccessDenied ||
         code == connect_code::kInvalidPassword;
}

std::string WithFinalSeparator(const std::string& path) {
  return EndsWithSeparator(path) ? path : path + SeparatorFor(path);
}

}  // namespace

void RunCopyStep(RunContext& run) {
  run.Log("");
  Result<std::vector<std::string>> files = SplitList(run.inputs.copyFileText);
  if (!files) {
    const std::string reason =
        "The copy list holds more than " + std::to_string(kMaxListItems) + " files.";
    run.StepFailed(reason);
    run.Log(run.Timestamp() + ", Copy File To Server skipped for Server: " +
            run.server.CurrentServer + ". " + reason);
    return;
  }
  for (const std::string& file : *files) {
    CopyFileToServer(run, !run.inputs.overwriteFile, file, files->size());
  }
}

void CopyFileToServer(RunContext& run, bool failIfExists, const std::string& sourcePath,
                      size_t listSize) {
  const size_t cut = LastSeparator(sourcePath);
  if (cut == std::string::npos) {
    run.ShowGeneralError(
        Status::Error("Invalid procedure call or argument", kInvalidProcedureCall));
    return;
  }
  const std::string fileName = sourcePath.substr(cut + 1);

  const std::string& server = run.server.CurrentServer;
  const std::string copyPath = run.store.GetINIValue(server, "CopyPath");
  const std::string fallback = WithFinalSeparator(copyPath);

  std::string TargetPath = copyPath;
  if (EndsWithSeparator(TargetPath)) TargetPath.pop_back();

  bool connected = false;
  int LastConnectResult = connect_code::kConnected;
  std::string connectMessage;
  if (!IsLocalPath(TargetPath)) {
    const bool refusedEarlier = !LogonRefusedEarlier(run).empty();
    const DriveConnection drive = ConnectServerFolder(run, TargetPath);
    if (refusedEarlier) run.Log("*** " + drive.ConnectMessage);
    LastConnectResult = drive.LastConnectResult;
    connectMessage = drive.ConnectMessage;
    TargetPath = drive.localName;
    connected = true;
  }
  if (TargetPath.empty()) {
    // Without a connection the copy goes straight to the network path, as the user running us.
    TargetPath = fallback;
    connected = false;
  }
  const std::string localName = TargetPath;
  TargetPath = WithFinalSeparator(TargetPath);

  const std::string destination = TargetPath + fileName;
  const Status copied = run.ports.shares.CopyFile(sourcePath, destination, failIfExists);

  run.Log(run.Timestamp() + ", ", false);
  if (copied) {
    run.Log("File, " + sourcePath + ", copied to " + destination + ", --> SUCCESSFUL.");
  } else {
    // The connection's failure explains the copy's; without one, the copy's own error does.
    std::string reason = connectMessage.empty() ? copied.message() : connectMessage;
    if (reason.empty()) reason = "File, " + sourcePath + ", copy to " + destination + " failed.";
    run.StepFailed(reason);
    run.Log("File, " + sourcePath + ", copy to " + destination + ", --> UNSUCCESSFUL. ");
    if (!IsCredentialFailure(LastConnectResult)) {
      run.Log(std::string(run.inputs.overwriteFile ? ""
                                                   : "File May Already Exist. To Overwrite file "
                                                     "select Overwrite Existing File? checkbox. ") +
              "Path/Filename may be invalid, check configuration.");
    }
  }

  if (connected && !DisconnectNetworkDrive(run.ports.shares, run.ports.sleeper, localName, true)) {
    run.Log("*** Could not disconnect drive, " + fallback +
            ", used for File Copy.  Files may be open, check manually. ***");
  }
  if (listSize >= 2) run.Log("");
}

}  // namespace pelvane::engine
