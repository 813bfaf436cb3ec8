// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StoredPasswords.h"

#include <filesystem>

#include "settings/PasswordScrambler.h"
#include "settings/ProfileText.h"
#include "settings/ServerRegistry.h"

namespace pelvane::engine {

namespace {

constexpr PasswordKind kKinds[] = {PasswordKind::kSqlLogin, PasswordKind::kNetworkLogin};

std::string Scrambled(const std::string& password) {
  return settings::ScramblePassword(password, settings::PasswordKey);
}

/// The settings file's full name, so that the same file reached by another path finds its
/// entries and another file with the same servers does not.
std::string FileIdentity(const std::string& file) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::weakly_canonical(file, error);
  if (error) full = std::filesystem::absolute(file, error);
  return error ? file : full.string();
}

Status InContext(const Status& status, const std::string& what) {
  return Status::Error(status.message() + " " + what, status.number());
}

Status SetKey(settings::SettingsStore& store, const std::string& server, PasswordKind kind,
              const std::string& value) {
  return store.SaveINIValues(server, PasswordSettingKey(kind), value);
}

/// Copies one password from the file into the keyring and clears the file's key once the
/// keyring gives it back. False (with Ok) when there was nothing to move.
Result<bool> MoveToKeyring(settings::SettingsStore& store, Keyring& keyring,
                           const std::string& server, PasswordKind kind) {
  const std::string stored = store.GetINIValue(server, PasswordSettingKey(kind));
  if (stored.empty()) return false;
  const std::string password = settings::UnscramblePassword(stored, settings::PasswordKey);
  const KeyringEntry entry = KeyringEntryFor(store, server, kind);
  if (Status s = keyring.Store(entry, KeyringLabel(server, kind), password); !s)
    return InContext(s, "Nothing more was moved.");
  Result<std::optional<std::string>> back = keyring.Read(entry);
  if (!back) return InContext(back.status(), "Nothing more was moved.");
  if (!back->has_value() || **back != password) {
    return Status::Error("The keyring did not give back the password of " + server +
                         " as stored; it stays in the settings file. Nothing more was moved.");
  }
  // Another copy of the program may have stored a newer password meanwhile: that one stays.
  if (Status s = store.Edit([&](settings::ProfileDocument& doc) {
        auto now = doc.Find(server, PasswordSettingKey(kind));
        if (!now || std::string(*now) != stored) return Status::Ok();
        return doc.Set(server, PasswordSettingKey(kind), "");
      });
      !s)
    return s;
  return true;
}

/// Writes one password from the keyring into the file and removes the entry once the file
/// reads back the value. A value already in the file is the one in use: the entry just goes.
Result<bool> MoveToFile(settings::SettingsStore& store, Keyring& keyring, const std::string& server,
                        PasswordKind kind) {
  const KeyringEntry entry = KeyringEntryFor(store, server, kind);
  Result<std::optional<std::string>> held = keyring.Read(entry);
  if (!held) return InContext(held.status(), "Nothing more was moved.");
  if (!held->has_value()) return false;
  const std::string scrambled = Scrambled(**held);
  if (store.GetINIValue(server, PasswordSettingKey(kind)).empty()) {
    if (Status s = SetKey(store, server, kind, scrambled); !s) return s;
    if (store.GetINIValue(server, PasswordSettingKey(kind)) != scrambled) {
      return Status::Error("The settings file did not give back the password of " + server +
                           "; it stays in the keyring. Nothing more was moved.");
    }
  }
  if (Status s = keyring.Remove(entry); !s) return InContext(s, "Nothing more was moved.");
  return true;
}

}  // namespace

PasswordStore ConfiguredPasswordStore(const settings::SettingsStore& store) {
  return settings::EqualsIgnoringCase(
             settings::TrimBlanks(store.GetINIValue("Pelvane", kPasswordStoreKey)), "keyring")
             ? PasswordStore::kKeyring
             : PasswordStore::kFile;
}

const char* PasswordSettingKey(PasswordKind kind) {
  return kind == PasswordKind::kSqlLogin ? "Password" : "CopyToPW";
}

std::string KeyringLabel(const std::string& server, PasswordKind kind) {
  return "The Pelvane Tool: " + server +
         (kind == PasswordKind::kSqlLogin ? " (sql login)" : " (network login)");
}

KeyringEntry KeyringEntryFor(const settings::SettingsStore& store, const std::string& server,
                             PasswordKind kind) {
  // Sections are matched without regard to case, and so are the entries.
  return {FileIdentity(store.file()), settings::AsciiUpper(settings::TrimBlanks(server)),
          PasswordSettingKey(kind)};
}

Result<std::string> ReadPassword(const settings::SettingsStore& store, Keyring& keyring,
                                 const std::string& server, PasswordKind kind) {
  const std::string stored = store.GetINIValue(server, PasswordSettingKey(kind));
  if (!stored.empty() || ConfiguredPasswordStore(store) == PasswordStore::kFile)
    return settings::UnscramblePassword(stored, settings::PasswordKey);
  Result<std::optional<std::string>> held = keyring.Read(KeyringEntryFor(store, server, kind));
  if (!held) {
    return InContext(held.status(), "The password of " + server +
                                        " cannot be read: \"PasswordStore\" is \"keyring\".");
  }
  return held->value_or("");
}

Result<std::string> StorePassword(const settings::SettingsStore& store, Keyring& keyring,
                                  const std::string& server, PasswordKind kind,
                                  const std::string& password) {
  if (ConfiguredPasswordStore(store) == PasswordStore::kFile) return Scrambled(password);
  const KeyringEntry entry = KeyringEntryFor(store, server, kind);
  Status kept = password.empty() ? keyring.Remove(entry)
                                 : keyring.Store(entry, KeyringLabel(server, kind), password);
  if (!kept) {
    return InContext(kept,
                     "Nothing was saved: \"PasswordStore\" is \"keyring\", and passwords "
                     "are kept nowhere else.");
  }
  return std::string();
}

Status SavePassword(settings::SettingsStore& store, Keyring& keyring, const std::string& server,
                    PasswordKind kind, const std::string& password) {
  Result<std::string> value = StorePassword(store, keyring, server, kind, password);
  if (!value) return value.status();
  return SetKey(store, server, kind, *value);
}

Status ForgetPasswords(const settings::SettingsStore& store, Keyring& keyring,
                       const std::string& server) {
  if (ConfiguredPasswordStore(store) == PasswordStore::kFile) return Status::Ok();
  for (PasswordKind kind : kKinds) {
    if (Status s = keyring.Remove(KeyringEntryFor(store, server, kind)); !s)
      return InContext(s, "The server was not removed.");
  }
  return Status::Ok();
}

Status MovePasswords(settings::SettingsStore& store, Keyring& keyring, PasswordStore to,
                     const std::function<void(const std::string& server)>& moved) {
  const bool toKeyring = to == PasswordStore::kKeyring;
  if (toKeyring) {
    // Find out before anything changes whether the keyring takes a password at all: a locked
    // keyring reads (nothing) but cannot store.
    KeyringEntry probe = KeyringEntryFor(store, "", PasswordKind::kSqlLogin);
    probe.key = "KeyringCheck";
    Status stored = keyring.Store(probe, "The Pelvane Tool: keyring check", "check");
    if (stored) stored = keyring.Remove(probe);
    if (!stored) return InContext(stored, "Nothing was moved.");
    if (Status s = store.SaveINIValues("Pelvane", kPasswordStoreKey, "keyring"); !s) return s;
  }
  settings::ServerRegistry registry(store);
  for (const std::string& server : registry.FillServerList("")) {
    bool any = false;
    for (PasswordKind kind : kKinds) {
      Result<bool> one = toKeyring ? MoveToKeyring(store, keyring, server, kind)
                                   : MoveToFile(store, keyring, server, kind);
      if (!one) return one.status();
      any = any || *one;
    }
    if (any && moved) moved(server);
  }
  if (!toKeyring) return store.SaveINIValues("Pelvane", kPasswordStoreKey, "file");
  return Status::Ok();
}

}  // namespace pelvane::engine
