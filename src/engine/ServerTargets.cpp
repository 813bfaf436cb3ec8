// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ServerTargets.h"

#include "engine/MapDrive.h"
#include "engine/StoredPasswords.h"

namespace pelvane::engine {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

Status SetAll(settings::SettingsStore& store, const std::string& section,
              std::initializer_list<std::pair<const char*, std::string>> values) {
  return store.Edit([&](settings::ProfileDocument& doc) {
    for (const auto& [key, value] : values) {
      if (Status s = doc.Set(section, key, value); !s) return s;
    }
    return Status::Ok();
  });
}

}  // namespace

Result<CopyTargets> LoadCopyTargets(const settings::SettingsStore& store, Keyring& keyring,
                                    const std::string& server) {
  Result<std::string> password = ReadPassword(store, keyring, server, PasswordKind::kNetworkLogin);
  if (!password) return password.status();
  CopyTargets targets;
  targets.copyPath = store.GetINIValue(server, "CopyPath");
  targets.copyToLogin = store.GetINIValue(server, "CopyToLogin");
  targets.copyToPassword = *password;
  targets.appendToFile = store.GetINIValue(server, "AppendToFile");
  targets.getTimeFrom = store.GetINIValue(server, "GetTimeFrom");
  return targets;
}

Status SaveCopyTargets(settings::SettingsStore& store, Keyring& keyring, const std::string& server,
                       const CopyTargets& targets) {
  Result<std::string> password =
      StorePassword(store, keyring, server, PasswordKind::kNetworkLogin, targets.copyToPassword);
  if (!password) return password.status();
  return SetAll(store, server,
                {{"CopyPath", targets.copyPath},
                 {"CopyToLogin", targets.copyToLogin},
                 {"CopyToPW", *password},
                 {"AppendToFile", targets.appendToFile},
                 {"GetTimeFrom", targets.getTimeFrom}});
}

ServiceSettings LoadServiceSettings(const settings::SettingsStore& store,
                                    const std::string& server) {
  return {store.GetINIValue(server, "ServiceName"), store.GetINIValue(server, "ServiceServer")};
}

Status SaveServiceSettings(settings::SettingsStore& store, const std::string& server,
                           const ServiceSettings& service) {
  return SetAll(store, server,
                {{"ServiceName", service.serviceName}, {"ServiceServer", service.serviceServer}});
}

std::string FolderPart(const std::string& path) {
  const size_t cut = LastSeparator(path);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::optional<std::string> AppendToMachine(const std::string& path) {
  if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return std::nullopt;
  size_t end = 2;
  while (end < path.size() && !IsSeparator(path[end])) ++end;
  if (end == 2) return std::nullopt;
  return path.substr(2, end - 2);
}

std::string ChangeRemoteServerQuestion(const std::string& remoteServer,
                                       const std::string& machine) {
  return "The current Remote Server, " + remoteServer + ", does not match the Append To Server, " +
         machine + ". Would you like to set the Remote Server = " + machine + "?";
}

std::string ConnectionTestReport(int code, const std::string& path, const std::string& userName,
                                 const std::string& platformMessage) {
  if (code == connect_code::kConnected) return "Connection succeeded.";
  if (std::string message = DriveConnectMessage(code, path, userName); !message.empty())
    return message;
  return "Could not connect to " + path + " (error " + std::to_string(code) + ")" +
         (platformMessage.empty() ? "" : ": " + platformMessage) +
         ". Path/Filename may be invalid, check configuration.";
}

}  // namespace pelvane::engine
