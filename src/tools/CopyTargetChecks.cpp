// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/CopyTargetChecks.h"

#include <filesystem>
#include <optional>

#include "engine/MapDrive.h"
#include "engine/ServerTargets.h"

namespace pelvane::tools {

std::string RemoteServerForAppendPath(const std::string& appendTo, const std::string& remote,
                                      const std::function<bool(const std::string&)>& ask) {
  const std::optional<std::string> machine = engine::AppendToMachine(appendTo);
  if (!machine || remote == *machine) return remote;
  // An empty box takes the machine whatever is answered.
  const bool yes = ask(engine::ChangeRemoteServerQuestion(remote, *machine));
  return remote.empty() || yes ? *machine : remote;
}

std::string TestCopyConnection(engine::NetworkShares& shares, const std::string& copyPath,
                               const std::string& login, const std::string& password) {
  std::string path = copyPath;
  if (engine::EndsWithSeparator(path)) path.pop_back();
  if (engine::IsLocalPath(path)) {
    std::error_code error;
    const bool found = std::filesystem::is_directory(path.empty() ? "/" : path, error);
    return engine::ConnectionTestReport(
        found ? engine::connect_code::kConnected : engine::connect_code::kDuplicateName, copyPath,
        login, "");
  }
  const engine::NetworkShares::Connection connection = shares.Connect(path, login, password);
  if (connection.code == engine::connect_code::kConnected)
    shares.Disconnect(connection.localName, /*force=*/true);
  return engine::ConnectionTestReport(connection.code, path, login, connection.message);
}

}  // namespace pelvane::tools
