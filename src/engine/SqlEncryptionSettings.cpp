// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SqlEncryptionSettings.h"

#include <utility>
#include <vector>

#include "settings/ProfileText.h"

namespace pelvane::engine {

namespace {

/// The server's own value when it has one, else the program-wide one.
std::string Effective(const settings::SettingsStore& store, const std::string& server,
                      const char* key) {
  std::string own = store.GetINIValue(server, key);
  if (!settings::TrimBlanks(own).empty()) return std::string(settings::TrimBlanks(own));
  return std::string(settings::TrimBlanks(store.GetINIValue(kProgramSection, key)));
}

}  // namespace

std::optional<EncryptMode> ParseEncryptMode(const std::string& text) {
  const std::string upper = settings::AsciiUpper(std::string(settings::TrimBlanks(text)));
  if (upper == "OPTIONAL") return EncryptMode::kOptional;
  if (upper == "MANDATORY") return EncryptMode::kMandatory;
  if (upper == "STRICT") return EncryptMode::kStrict;
  return std::nullopt;
}

std::string EncryptModeName(EncryptMode mode) {
  switch (mode) {
    case EncryptMode::kOptional:
      return "Optional";
    case EncryptMode::kStrict:
      return "Strict";
    case EncryptMode::kMandatory:
      break;
  }
  return "Mandatory";
}

SqlEncryption LoadSqlEncryption(const settings::SettingsStore& store, const std::string& server) {
  SqlEncryption encryption;
  const std::string mode = Effective(store, server, "Encrypt");
  encryption.modeWritten = !mode.empty();
  encryption.mode = ParseEncryptMode(mode).value_or(EncryptMode::kMandatory);
  encryption.trustServerCertificate = Effective(store, server, "TrustServerCertificate") == "1";
  encryption.serverCertificate = Effective(store, server, "ServerCertificate");
  encryption.hostNameInCertificate = Effective(store, server, "HostNameInCertificate");
  return encryption;
}

Status SaveSqlEncryption(settings::SettingsStore& store, const std::string& server,
                         const SqlEncryption& before, const SqlEncryption& after) {
  std::vector<std::pair<const char*, std::string>> keys;
  if (after.mode != before.mode || after.modeWritten != before.modeWritten)
    keys.emplace_back("Encrypt", after.modeWritten ? EncryptModeName(after.mode) : "");
  if (after.trustServerCertificate != before.trustServerCertificate)
    keys.emplace_back("TrustServerCertificate", after.trustServerCertificate ? "1" : "0");
  if (after.serverCertificate != before.serverCertificate)
    keys.emplace_back("ServerCertificate", after.serverCertificate);
  if (after.hostNameInCertificate != before.hostNameInCertificate)
    keys.emplace_back("HostNameInCertificate", after.hostNameInCertificate);
  if (keys.empty()) return Status::Ok();
  for (const auto& [key, value] : keys) {
    if (Status s = settings::CheckReadsBack(server, key, value, std::string("The value of ") + key);
        !s)
      return s;
  }
  return store.Edit([&](settings::ProfileDocument& doc) {
    for (const auto& [key, value] : keys) {
      if (Status s = doc.Set(server, key, value); !s) return s;
    }
    return Status::Ok();
  });
}

}  // namespace pelvane::engine
