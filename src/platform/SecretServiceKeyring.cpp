// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SecretServiceKeyring.h"

#include <libsecret/secret.h>

#include <cstdlib>
#include <memory>

#include "settings/ErrorNumbers.h"

namespace pelvane::platform {

namespace {

constexpr int kKeyringUnavailable = error_number::kPermissionDenied;

const SecretSchema& Schema() {
  static const SecretSchema schema = {"org.pelvane.Password",
                                      SECRET_SCHEMA_NONE,
                                      {{"settings-file", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"key", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
  return schema;
}

struct ErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct PasswordFree {
  void operator()(gchar* password) const { secret_password_free(password); }
};
using PasswordPtr = std::unique_ptr<gchar, PasswordFree>;

/// The system's reason in words a person can act on; `hint` is added where it may explain it.
Status Unavailable(GError* raw, const char* hint = "") {
  ErrorPtr error(raw);
  std::string reason = error ? error->message : "no reason given";
  if (error && g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN))
    reason = "no Secret Service on the session bus (" + reason + ")";
  else if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_TIMED_OUT))
    reason = "the Secret Service did not answer (" + reason + ")";
  else
    reason += hint;
  return Status::Error(KeyringUnavailableMessage(reason), kKeyringUnavailable);
}

/// Without a session bus the library would try to start one for an X display; say plainly
/// that there is none instead.
bool HasSessionBus() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != '\0') return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  return g_file_test((std::string(runtime) + "/bus").c_str(), G_FILE_TEST_EXISTS);
}

Status NoSessionBus() {
  return Status::Error(KeyringUnavailableMessage("there is no desktop session bus"),
                       kKeyringUnavailable);
}

}  // namespace

std::string KeyringUnavailableMessage(const std::string& reason) {
  return "The desktop keyring (Secret Service) is not available: " + reason + ".";
}

Result<std::optional<std::string>> SecretServiceKeyring::Read(const engine::KeyringEntry& entry) {
  if (!HasSessionBus()) return NoSessionBus();
  GError* error = nullptr;
  PasswordPtr found(secret_password_lookup_sync(
      &Schema(), nullptr, &error, "settings-file", entry.settingsFile.c_str(), "server",
      entry.server.c_str(), "key", entry.key.c_str(), nullptr));
  if (error != nullptr) return Unavailable(error);
  if (!found) return std::optional<std::string>();
  return std::optional<std::string>(std::string(found.get()));
}

Status SecretServiceKeyring::Store(const engine::KeyringEntry& entry, const std::string& label,
                                   const std::string& password) {
  if (!HasSessionBus()) return NoSessionBus();
  GError* error = nullptr;
  const gboolean stored = secret_password_store_sync(
      &Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(), nullptr, &error,
      "settings-file", entry.settingsFile.c_str(), "server", entry.server.c_str(), "key",
      entry.key.c_str(), nullptr);
  // Storing is what a locked keyring refuses when it cannot ask for its password here.
  if (error != nullptr || !stored)
    return Unavailable(error, " (a locked keyring that cannot be unlocked here?)");
  return Status::Ok();
}

Status SecretServiceKeyring::Remove(const engine::KeyringEntry& entry) {
  if (!HasSessionBus()) return NoSessionBus();
  GError* error = nullptr;
  secret_password_clear_sync(&Schema(), nullptr, &error, "settings-file",
                             entry.settingsFile.c_str(), "server", entry.server.c_str(), "key",
                             entry.key.c_str(), nullptr);
  if (error != nullptr) return Unavailable(error);
  return Status::Ok();
}

}  // namespace pelvane::platform
