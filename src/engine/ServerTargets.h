// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "engine/ports/Keyring.h"
#include "settings/SettingsStore.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// Where a server's copy files and appended text go, as the Copy File To dialog shows them
/// (the password unscrambled).
struct CopyTargets {
  std::string copyPath;
  std::string copyToLogin;
  std::string copyToPassword;
  std::string appendToFile;
  std::string getTimeFrom;
};

/// The password comes from where passwords are kept; why not, when it cannot be read.
Result<CopyTargets> LoadCopyTargets(const settings::SettingsStore& store, Keyring& keyring,
                                    const std::string& server);

/// Writes "CopyPath", "CopyToLogin", "CopyToPW" (scrambled, or in the keyring with the key
/// empty), "AppendToFile" and "GetTimeFrom" in one write.
Status SaveCopyTargets(settings::SettingsStore& store, Keyring& keyring, const std::string& server,
                       const CopyTargets& targets);

/// The service of a server and the machine that runs it.
struct ServiceSettings {
  std::string serviceName;
  std::string serviceServer;
};

ServiceSettings LoadServiceSettings(const settings::SettingsStore& store,
                                    const std::string& server);

/// Writes "ServiceName" and "ServiceServer" as typed, in one write.
Status SaveServiceSettings(settings::SettingsStore& store, const std::string& server,
                           const ServiceSettings& service);

/// The folder part of a chosen file: everything up to and including the last "\" or "/";
/// empty when there is none.
std::string FolderPart(const std::string& path);

/// The machine named by an append-to path that starts with two separators ("\\machine\..."):
/// the text up to the next separator, or the rest of the text when none follows. None for any
/// other path, and for a path that names no machine.
std::optional<std::string> AppendToMachine(const std::string& path);

/// The question asked when the machine of the append-to path differs from the Remote Server.
constexpr char kChangeRemoteServerTitle[] = "Change Remote Server?";
std::string ChangeRemoteServerQuestion(const std::string& remoteServer, const std::string& machine);

/// What Test Connection reports for a connection attempt: "Connection succeeded." or the
/// message a run gives for that result class; the platform's own words for the other classes.
std::string ConnectionTestReport(int code, const std::string& path, const std::string& userName,
                                 const std::string& platformMessage);

}  // namespace pelvane::engine
